#include "app/icon_save.h"

#include "iconfmt/macico.h"
#include "iconfmt/winico.h"

namespace {

std::vector<TIcnsPngElement> PngElements(const TIconPreviews& p, const TpmBitmap& master512,
                                         const TpmBitmap& master1024) {
  return {{"ic09", &master512}, {"ic10", &master1024}, {"ic11", &p.Of(32)},
          {"ic12", &p.Of(64)},  {"ic13", &p.Of(256)},  {"ic14", &master512}};
}

}  // namespace

void SaveIcns(const TIconPreviews& p, const TpmBitmap& master512, const TpmBitmap& master1024,
              const std::string& file_name) {
  WriteIcns(p.Of(16), p.Of(32), p.Of(48), p.Of(128), p.Of(256),
            PngElements(p, master512, master1024), file_name);
}

TIcnsSave::TIcnsSave(const TIconPreviews& previews) : previews_(previews) {
  // Deferred to Finish when no thread can be had. The JPEG 2000 encoder keeps to this one
  // thread: the caller's work needs the other processors.
  elements_ = std::async(std::launch::async | std::launch::deferred, [&p = previews_] {
    return IcnsPreviewElements(p.Of(16), p.Of(32), p.Of(48), p.Of(128), p.Of(256), 1);
  });
}

TIcnsSave::~TIcnsSave() {
  if (elements_.valid()) elements_.wait();  // the thread reads the previews
}

void TIcnsSave::Finish(const TpmBitmap& master512, const TpmBitmap& master1024,
                       const std::string& file_name) {
  WriteIcns(elements_.get(), PngElements(previews_, master512, master1024), file_name);
}

void SaveIco(const TIconPreviews& p, const std::string& file_name) {
  WriteIco(p.Of(16), p.Of(32), p.Of(48), p.Of(64), p.Of(128), p.Of(256), file_name);
}

void SavePng(const TpmBitmap& image, const std::string& file_name) {
  // The codec reports an encoding failure or an unknown extension only as false; the user
  // must not be left believing the icon was saved.
  if (!image.SaveToFile(file_name, "")) {
    throw ESaveError("Cannot save \"" + file_name + "\" as an image: the image codec refused it");
  }
}
