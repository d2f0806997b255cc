// TpmResources: a collection of style trees kept in the component text form. Controls find
// their look here by name: the layer's collection first, then the default theme, then any
// other collection alive.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/component.h"

class TpmObject;

class TpmResources : public TComponent {
  FM_CLASS(TpmResources, TComponent)
 public:
  explicit TpmResources(TComponent* owner = nullptr);
  ~TpmResources() override;

  // Replaces the styles by the object blocks of text. Raises EReadError (with the line) on
  // bad text and keeps the previous styles.
  void SetResourceText(const std::string& text);
  std::string ResourceText() const;
  int Count() const { return static_cast<int>(styles_.size()); }
  TpmObject* Style(int index) const { return styles_.at(index).get(); }
  // The style tree whose ResourceName is name (case-insensitive), or nullptr.
  TpmObject* FindStyle(const std::string& name) const;
  void DefineProperties(TFiler& filer) override;

  // Every collection of the process, in creation order.
  static const std::vector<TpmResources*>& All();

 private:
  std::vector<std::unique_ptr<TpmObject>> styles_;
};

// The library's built-in dark theme, read from its text on first use.
TpmResources& DefaultTheme();
// The built-in theme's text.
const char* DefaultThemeText();

// Lookup order: preferred (the layer's collection), the default theme, every other
// collection. nullptr when no collection has the name.
// Class-derived names look only in preferred and the theme (any_collection false).
TpmObject* FindStyleResource(const TpmResources* preferred, const std::string& name,
                             bool any_collection = true);

// Touches every class of the interface library so reading styles by class name works.
void RegisterUiClasses();
