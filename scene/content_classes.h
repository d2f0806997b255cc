// Registration of the scene content classes (shapes, meshes, materials, bitmaps,
// animations) with the class registry, so that stored scenes can create them by name even
// when nothing else in the program refers to them.
#pragma once

// Safe to call often.
void RegisterSceneContentClasses();
