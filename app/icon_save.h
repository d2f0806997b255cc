// The three save formats of the save command, written from the previews as they stand.
#pragma once

#include <cstdint>
#include <future>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/icon_pipeline.h"

// A save that could not be made; the message names the file.
class ESaveError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// .icns from the 16, 32, 48, 128 and 256 previews, followed by the PNG elements of today's
// macOS (ic09 and ic14 from master512, ic10 from master1024, ic11 from the 32 preview, ic12
// from the 64, ic13 from the 256); .ico from all six; PNG of one image. Every file replaces its
// target only once complete: any failure raises (the writers' own errors, or ESaveError when the
// image codec refuses) and leaves the target as it was.
void SaveIcns(const TIconPreviews& previews, const TpmBitmap& master512,
              const TpmBitmap& master1024, const std::string& file_name);
void SaveIco(const TIconPreviews& previews, const std::string& file_name);

// SaveIcns begun before its masters exist: the previews' elements (the JPEG 2000 image above
// all) are encoded on a second thread from construction on, while the caller makes the
// masters; the previews must stay unchanged until Finish, which writes the file as SaveIcns
// does and raises what either thread raised. A save never finished writes nothing.
class TIcnsSave {
 public:
  explicit TIcnsSave(const TIconPreviews& previews);
  ~TIcnsSave();
  TIcnsSave(const TIcnsSave&) = delete;
  TIcnsSave& operator=(const TIcnsSave&) = delete;
  void Finish(const TpmBitmap& master512, const TpmBitmap& master1024,
              const std::string& file_name);

 private:
  const TIconPreviews& previews_;
  std::future<std::vector<uint8_t>> elements_;
};
void SavePng(const TpmBitmap& image, const std::string& file_name);
