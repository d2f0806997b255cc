#include "scene/content_classes.h"

#include "scene/animation.h"
#include "scene/bitmap_object.h"
#include "scene/bitmap_registry.h"
#include "scene/material.h"
#include "scene/mesh_data.h"
#include "scene/shape.h"

void RegisterSceneContentClasses() {
  RegisterShapeClasses();
  for (const TClassInfo* info :
       {&TgkMeshData::StaticClass(), &TgkMaterial::StaticClass(), &TgkBitmapRect::StaticClass(),
        &TgkBitmap::StaticClass(), &TgkBitmapStream::StaticClass(),
        &TgkBitmapCollection::StaticClass(), &TgkBitmapList::StaticClass(),
        &TgkBitmapObject::StaticClass(), &TgkAnimation::StaticClass(),
        &TgkFloatAnimation::StaticClass(), &TgkColorAnimation::StaticClass()}) {
    (void)info;
  }
}
