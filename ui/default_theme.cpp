// The library's built-in dark theme: one style per control class, in the component text
// form. Parts are found by ResourceName; decorative parts take no hits.
#include "ui/resources.h"

const char* DefaultThemeText() {
  return R"THEME(
object TpmRectangle
  ResourceName = 'backgroundstyle'
  HitTest = False
  Fill.Color = '#FF505050'
  Stroke.Style = pqBrushNone
end
object TpmRectangle
  ResourceName = 'panelstyle'
  HitTest = False
  Fill.Style = pqBrushGradient
  Fill.Gradient = 'linear 0 0 0 1 #FF5C5C5C 0 #FF4A4A4A 1'
  Stroke.Color = '#FF2E2E2E'
end
object TpmRectangle
  ResourceName = 'toolbarstyle'
  HitTest = False
  Fill.Style = pqBrushGradient
  Fill.Gradient = 'linear 0 0 0 1 #FF5A5A5A 0 #FF3A3A3A 1'
  Stroke.Style = pqBrushNone
end
object TpmText
  ResourceName = 'labelstyle'
  HitTest = False
  Fill.Color = '#FFE6E6E6'
end
object TpmLayout
  ResourceName = 'buttonstyle'
  HitTest = False
  object TpmRectangle
    ResourceName = 'background'
    Align = pqAlignContents
    HitTest = False
    xRadius = 3
    yRadius = 3
    Fill.Style = pqBrushGradient
    Fill.Gradient = 'linear 0 0 0 1 #FF707070 0 #FF555555 1'
    Stroke.Color = '#FF262626'
    object TpmFloatAnimation
      Trigger = 'IsMouseOver=true;IsPressed=false'
      PropertyName = 'Opacity'
      StartValue = 1
      StopValue = 0.85
      Duration = 0.15
    end
    object TpmFloatAnimation
      Trigger = 'IsMouseOver=false'
      PropertyName = 'Opacity'
      StartValue = 0.85
      StopValue = 1
      Duration = 0.15
      StartFromCurrent = True
    end
  end
  object TpmRectangle
    ResourceName = 'pressed'
    Align = pqAlignContents
    HitTest = False
    xRadius = 3
    yRadius = 3
    Opacity = 0
    Fill.Color = '#FF3A3A3A'
    Stroke.Color = '#FF1A1A1A'
    object TpmFloatAnimation
      Trigger = 'IsPressed=true'
      PropertyName = 'Opacity'
      StartValue = 0
      StopValue = 1
      Duration = 0.05
    end
    object TpmFloatAnimation
      Trigger = 'IsPressed=false'
      PropertyName = 'Opacity'
      StartValue = 1
      StopValue = 0
      Duration = 0.1
    end
  end
  object TpmText
    ResourceName = 'text'
    Align = pqAlignClient
    HitTest = False
    Fill.Color = '#FFF0F0F0'
  end
end
object TpmLayout
  ResourceName = 'speedbuttonstyle'
  HitTest = False
  object TpmRectangle
    ResourceName = 'background'
    Align = pqAlignContents
    HitTest = False
    xRadius = 2
    yRadius = 2
    Fill.Color = '#FF5E5E5E'
    Stroke.Color = '#FF262626'
    object TpmColorAnimation
      Trigger = 'IsPressed=true'
      PropertyName = 'Fill.Color'
      StartValue = '#FF5E5E5E'
      StopValue = '#FF3A3A3A'
      Duration = 0.05
    end
    object TpmColorAnimation
      Trigger = 'IsPressed=false'
      PropertyName = 'Fill.Color'
      StartValue = '#FF3A3A3A'
      StopValue = '#FF5E5E5E'
      Duration = 0.1
    end
  end
  object TpmText
    ResourceName = 'text'
    Align = pqAlignClient
    HitTest = False
    Fill.Color = '#FFF0F0F0'
  end
end
object TpmLayout
  ResourceName = 'bitmapbuttonstyle'
  HitTest = False
  object TpmRectangle
    ResourceName = 'background'
    Align = pqAlignContents
    HitTest = False
    xRadius = 3
    yRadius = 3
    Opacity = 0
    Fill.Color = '#FF6A6A6A'
    Stroke.Color = '#FF8A8A8A'
    object TpmFloatAnimation
      Trigger = 'IsMouseOver=true'
      PropertyName = 'Opacity'
      StartValue = 0
      StopValue = 1
      Duration = 0.15
    end
    object TpmFloatAnimation
      Trigger = 'IsMouseOver=false'
      PropertyName = 'Opacity'
      StartValue = 1
      StopValue = 0
      Duration = 0.15
    end
  end
  object TpmImage
    ResourceName = 'image'
    Align = pqAlignClient
    Padding.Left = 4
    Padding.Top = 4
    Padding.Right = 4
    Padding.Bottom = 2
    HitTest = False
  end
  object TpmText
    ResourceName = 'text'
    Align = pqAlignBottom
    Height = 16
    HitTest = False
    Fill.Color = '#FFF0F0F0'
  end
end
object TpmLayout
  ResourceName = 'popupboxstyle'
  HitTest = False
  object TpmRectangle
    ResourceName = 'background'
    Align = pqAlignContents
    HitTest = False
    xRadius = 3
    yRadius = 3
    Fill.Style = pqBrushGradient
    Fill.Gradient = 'linear 0 0 0 1 #FF6A6A6A 0 #FF525252 1'
    Stroke.Color = '#FF262626'
  end
  object TpmPath
    ResourceName = 'arrow'
    Align = pqAlignRight
    Width = 8
    Height = 5
    Padding.Left = 4
    Padding.Top = 8
    Padding.Right = 7
    Padding.Bottom = 8
    HitTest = False
    Data = 'M 0,0 L 8,0 L 4,5 Z'
    Fill.Color = '#FFE0E0E0'
    Stroke.Style = pqBrushNone
  end
  object TpmText
    ResourceName = 'text'
    Align = pqAlignClient
    Padding.Left = 6
    HitTest = False
    HorzTextAlign = pqTextAlignNear
    Fill.Color = '#FFF0F0F0'
  end
end
object TpmLayout
  ResourceName = 'checkboxstyle'
  HitTest = False
  object TpmRectangle
    ResourceName = 'box'
    Align = pqAlignLeft
    Width = 13
    Padding.Left = 2
    Padding.Top = 3
    Padding.Right = 2
    Padding.Bottom = 3
    HitTest = False
    xRadius = 2
    yRadius = 2
    Fill.Color = '#FF3A3A3A'
    Stroke.Color = '#FF9A9A9A'
    object TpmPath
      ResourceName = 'check'
      Align = pqAlignClient
      Padding.Left = 2
      Padding.Top = 2
      Padding.Right = 2
      Padding.Bottom = 2
      HitTest = False
      Opacity = 0
      Data = 'M 0,5 L 2,3 L 4,5 L 9,0 L 10,2 L 4,8 Z'
      Fill.Color = '#FFF0F0F0'
      Stroke.Style = pqBrushNone
      object TpmFloatAnimation
        Trigger = 'IsChecked=true'
        PropertyName = 'Opacity'
        StartValue = 0
        StopValue = 1
        Duration = 0.1
      end
      object TpmFloatAnimation
        Trigger = 'IsChecked=false'
        PropertyName = 'Opacity'
        StartValue = 1
        StopValue = 0
        Duration = 0.1
      end
    end
  end
  object TpmText
    ResourceName = 'text'
    Align = pqAlignClient
    Padding.Left = 4
    HitTest = False
    Fill.Color = '#FFE6E6E6'
  end
end
object TpmLayout
  ResourceName = 'trackbarstyle'
  HitTest = False
  object TpmRectangle
    ResourceName = 'groove'
    Align = pqAlignVertCenter
    Height = 4
    HitTest = False
    xRadius = 2
    yRadius = 2
    Fill.Color = '#FF2E2E2E'
    Stroke.Color = '#FF6A6A6A'
  end
  object TpmLayout
    ResourceName = 'track'
    Align = pqAlignContents
    HitTest = False
    object TpmThumb
      ResourceName = 'thumb'
      Resource = 'thumbstyle'
    end
  end
end
object TpmLayout
  ResourceName = 'trackstyle'
  HitTest = False
  object TpmRectangle
    Align = pqAlignVertCenter
    Height = 4
    HitTest = False
    Fill.Color = '#FF2E2E2E'
    Stroke.Color = '#FF6A6A6A'
  end
  object TpmLayout
    ResourceName = 'track'
    Align = pqAlignContents
    HitTest = False
    object TpmThumb
      ResourceName = 'thumb'
    end
  end
end
object TpmRectangle
  ResourceName = 'thumbstyle'
  HitTest = False
  xRadius = 3
  yRadius = 3
  Fill.Style = pqBrushGradient
  Fill.Gradient = 'linear 0 0 0 1 #FFD0D0D0 0 #FF9A9A9A 1'
  Stroke.Color = '#FF262626'
end
object TpmLayout
  ResourceName = 'hudtrackbarstyle'
  HitTest = False
  object TpmRectangle
    ResourceName = 'groove'
    Align = pqAlignClient
    Padding.Left = 4
    Padding.Top = 4
    Padding.Right = 4
    Padding.Bottom = 4
    HitTest = False
    xRadius = 3
    yRadius = 3
    Fill.Style = pqBrushGradient
    Fill.Gradient = 'linear 0 0 0 1 #FF333333 0 #FF454545 1'
    Stroke.Color = '#FFD3D3D3'
  end
  object TpmLayout
    ResourceName = 'track'
    Align = pqAlignContents
    HitTest = False
    object TpmThumb
      ResourceName = 'thumb'
      Resource = 'hudthumbbarstyle'
      Width = 15
      Height = 14
    end
  end
end
object TpmLayout
  ResourceName = 'hudthumbbarstyle'
  HitTest = False
  object TpmRectangle
    Align = pqAlignContents
    HitTest = False
    xRadius = 4
    yRadius = 4
    Fill.Style = pqBrushGradient
    Fill.Gradient = 'linear 0 0 0 1 #FFF0F0F0 0 #FFA8A8A8 1'
    Stroke.Color = '#FF202020'
  end
end
object TpmLayout
  ResourceName = 'scrollbarstyle'
  HitTest = False
  object TpmRectangle
    Align = pqAlignContents
    HitTest = False
    Fill.Color = '#FF3C3C3C'
    Stroke.Style = pqBrushNone
  end
  object TpmLayout
    ResourceName = 'track'
    Align = pqAlignContents
    Margins.Left = 2
    Margins.Top = 2
    Margins.Right = 2
    Margins.Bottom = 2
    HitTest = False
    object TpmThumb
      ResourceName = 'thumb'
      Resource = 'scrollthumbstyle'
    end
  end
end
object TpmRectangle
  ResourceName = 'scrollthumbstyle'
  HitTest = False
  xRadius = 3
  yRadius = 3
  Fill.Color = '#FF8A8A8A'
  Stroke.Style = pqBrushNone
end
object TpmLayout
  ResourceName = 'listboxstyle'
  HitTest = False
  object TpmRectangle
    ResourceName = 'background'
    Align = pqAlignContents
    Margins.Left = 1
    Margins.Top = 1
    Margins.Right = 1
    Margins.Bottom = 1
    HitTest = False
    Fill.Color = '#FF424242'
    Stroke.Color = '#FF262626'
  end
  object TpmListBoxSelection
    ResourceName = 'selection'
    Visible = False
  end
  object TpmScrollBar
    ResourceName = 'vscrollbar'
    Orientation = pqVertical
    Visible = False
  end
end
object TpmRectangle
  ResourceName = 'listboxselectionstyle'
  HitTest = False
  Fill.Color = '#FF3D6E99'
  Stroke.Style = pqBrushNone
end
object TpmLayout
  ResourceName = 'listboxitemstyle'
  HitTest = False
end
object TpmRectangle
  ResourceName = 'popupmenustyle'
  HitTest = False
  Fill.Color = '#FF3A3A3A'
  Stroke.Color = '#FF1E1E1E'
end
object TpmLayout
  ResourceName = 'menuitemstyle'
  HitTest = False
  object TpmRectangle
    ResourceName = 'hover'
    Align = pqAlignContents
    HitTest = False
    Opacity = 0
    Fill.Color = '#FF3D6E99'
    Stroke.Style = pqBrushNone
    object TpmFloatAnimation
      Trigger = 'IsMouseOver=true'
      PropertyName = 'Opacity'
      StartValue = 0
      StopValue = 1
      Duration = 0.05
    end
    object TpmFloatAnimation
      Trigger = 'IsMouseOver=false'
      PropertyName = 'Opacity'
      StartValue = 1
      StopValue = 0
      Duration = 0.05
    end
  end
  object TpmPath
    ResourceName = 'check'
    Align = pqAlignLeft
    Width = 10
    Padding.Left = 5
    Padding.Top = 6
    Padding.Right = 5
    Padding.Bottom = 6
    HitTest = False
    Opacity = 0
    Data = 'M 0,5 L 2,3 L 4,5 L 9,0 L 10,2 L 4,8 Z'
    Fill.Color = '#FFF0F0F0'
    Stroke.Style = pqBrushNone
    object TpmFloatAnimation
      Trigger = 'IsChecked=true'
      PropertyName = 'Opacity'
      StartValue = 0
      StopValue = 1
      Duration = 0
    end
  end
  object TpmText
    ResourceName = 'text'
    Align = pqAlignClient
    Padding.Right = 6
    HitTest = False
    HorzTextAlign = pqTextAlignNear
    Fill.Color = '#FFF0F0F0'
  end
end
)THEME";
}
