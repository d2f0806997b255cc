// Class registration of the interface library, so that styles and stored descriptions can
// create every class by name even when the linker dropped a unit nobody referenced.
#include "imaging/effects.h"
#include "ui/animation.h"
#include "ui/controls.h"
#include "ui/list_box.h"
#include "ui/popup_menu.h"
#include "ui/pq_layer.h"
#include "ui/resources.h"
#include "ui/shapes.h"
#include "ui/track.h"

void RegisterUiClasses() {
  const TClassInfo* classes[] = {
      &TpmObject::StaticClass(),         &TpmVisualObject::StaticClass(),
      &TpmControl::StaticClass(),        &TpmTextControl::StaticClass(),
      &TpmShape::StaticClass(),          &TpmRectangle::StaticClass(),
      &TpmEllipse::StaticClass(),        &TpmLine::StaticClass(),
      &TpmPath::StaticClass(),           &TpmText::StaticClass(),
      &TpmImage::StaticClass(),          &TpmPanel::StaticClass(),
      &TpmToolBar::StaticClass(),        &TpmBackground::StaticClass(),
      &TpmLayout::StaticClass(),         &TpmLabel::StaticClass(),
      &TpmButton::StaticClass(),         &TpmBitmapButton::StaticClass(),
      &TpmSpeedButton::StaticClass(),    &TpmCheckBox::StaticClass(),
      &TpmPopupBox::StaticClass(),       &TpmThumb::StaticClass(),
      &TpmTrack::StaticClass(),          &TpmTrackBar::StaticClass(),
      &TpmScrollBar::StaticClass(),      &TpmListBox::StaticClass(),
      &TpmListBoxItem::StaticClass(),    &TpmListBoxSelection::StaticClass(),
      &TpmMenuItem::StaticClass(),       &TpmAnimation::StaticClass(),
      &TpmColorAnimation::StaticClass(), &TpmFloatAnimation::StaticClass(),
      &TpmResources::StaticClass(),      &TgkPQLayer::StaticClass(),
      &TgkScreenPQLayer::StaticClass(),  &TpmPosition::StaticClass(),
      &TpmBounds::StaticClass(),
  };
  (void)classes;
  RegisterEffectClasses();
}
