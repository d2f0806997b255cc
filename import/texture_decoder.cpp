#include "import/texture_decoder.h"

#include <signal.h>

#include <mutex>
#include <vector>

#include "import/texture_decode_protocol.h"
#include "platform/cancel_signal.h"
#include "platform/guarded_session.h"
#include "platform/helper_program.h"

namespace {

constexpr const char* kDecoderName = "facetmint-texture-decoder";

std::mutex decoder_override_mutex;
std::string decoder_override;

std::string DecoderProgram() {
  {
    const std::lock_guard lock(decoder_override_mutex);
    if (!decoder_override.empty()) return decoder_override;
  }
  return TextureDecoderPath();
}

std::string FailureOf(const TGuardedRun& ended, const TGuardLimits& limits) {
  switch (ended.Outcome) {
    case TGuardedRun::Cancelled:
      return "cancelled";
    case TGuardedRun::TimedOut:
      return "decoding took longer than " + std::to_string(limits.WallMilliseconds / 1000) +
             " seconds";
    case TGuardedRun::Signalled:
      if (ended.Code == SIGXCPU || ended.Code == SIGKILL)
        return "the decoder was stopped: too much processor time or memory";
      return "the decoder crashed (signal " + std::to_string(ended.Code) + ")";
    default:
      return "the decoder ended unexpectedly";
  }
}

}  // namespace

TGuardLimits TextureDecoderLimits() {
  TGuardLimits limits;
#ifndef FACETMINT_HELPERS_WITHOUT_MEMORY_LIMIT
  limits.MemoryBytes = uint64_t{2} << 30;
#endif
  limits.CpuSeconds = 120;
  limits.WallMilliseconds = 30 * 1000;
  return limits;
}

std::string TextureDecoderPath() {
  return FindHelperProgram(kDecoderName,
                           {FACETMINT_TEXTURE_DECODER_INSTALLED, FACETMINT_TEXTURE_DECODER_BUILT});
}

std::string OverrideTextureDecoder(std::string program) {
  const std::lock_guard lock(decoder_override_mutex);
  decoder_override.swap(program);
  return program;
}

TTextureDecoder::TTextureDecoder(const TCancelSignal* cancel, const TGuardLimits& limits,
                                 int load_ms)
    : cancel_(cancel), limits_(limits), load_ms_(load_ms) {}

TTextureDecoder::~TTextureDecoder() = default;

TDecodedTexture TTextureDecoder::File(const std::string& path, int32_t max_side) {
  return Decode(kTextureFromFile, path.data(), path.size(), max_side);
}

TDecodedTexture TTextureDecoder::Data(const uint8_t* data, size_t size, int32_t max_side) {
  return Decode(kTextureFromData, data, size, max_side);
}

TDecodedTexture TTextureDecoder::Decode(uint32_t kind, const void* payload, size_t size,
                                        int32_t max_side) {
  TDecodedTexture result;
  if (kind == kTextureFromFile && size > kMaxTexturePath) return result;    // no such file
  if (kind == kTextureFromData && size > MaxEncodedBytes()) return result;  // as a decoder would
  using Clock = std::chrono::steady_clock;
  const Clock::time_point now = Clock::now();
  if (!load_end_) load_end_ = now + std::chrono::milliseconds(load_ms_);
  const auto load_left =
      std::chrono::duration_cast<std::chrono::milliseconds>(*load_end_ - now).count();
  const std::string load_failure = "decoding the model's textures took longer than " +
                                   std::to_string(load_ms_ / 1000) + " seconds in all";
  if (load_left <= 0) {
    result.Failure = load_failure;
    return result;
  }
  // This image's time, or what is left of the load's when that is shorter.
  const bool load_bound = limits_.WallMilliseconds <= 0 || load_left < limits_.WallMilliseconds;
  const int exchange_ms = static_cast<int>(load_bound ? load_left : limits_.WallMilliseconds);
  auto failure_of = [&](const TGuardedRun& ended) {
    return ended.Outcome == TGuardedRun::TimedOut && load_bound ? load_failure
                                                                : FailureOf(ended, limits_);
  };
  if (!session_ || !session_->Running()) {
    const std::string program = DecoderProgram();
    if (program.empty()) {
      result.Failure = std::string("the texture decoder ") + kDecoderName + " is not installed";
      return result;
    }
    try {
      session_ = std::make_unique<TGuardedSession>(std::vector<std::string>{program}, limits_,
                                                   std::vector<std::string>{}, cancel_);
    } catch (const std::system_error& e) {
      result.Failure = std::string("the texture decoder could not be started: ") + e.what();
      return result;
    }
  }
  TGuardedSession& session = *session_;
  session.StartExchange(exchange_ms);
  TTextureRequest request;
  request.Kind = kind;
  request.MaxSide = max_side;
  request.Size = size;
  TTextureAnswer answer;
  if (!session.Send(&request, sizeof request) || !session.Send(payload, size) ||
      !session.Receive(&answer, sizeof answer)) {
    result.Failure = failure_of(session.Ended());
    return result;
  }
  // Checked before anything is allocated for it: a decoder gone wrong may say anything.
  const bool decoded = answer.Status == kTextureDecoded;
  const bool sized =
      answer.Width >= 1 && answer.Height >= 1 && answer.Width <= max_side &&
      answer.Height <= max_side &&
      static_cast<size_t>(answer.Width) * static_cast<size_t>(answer.Height) <= MaxImagePixels();
  if ((answer.Status != kTextureDecoded && answer.Status != kTextureNotAnImage &&
       answer.Status != kTextureFailed) ||
      answer.MessageSize > kMaxTextureMessage || (decoded && !sized)) {
    session.Stop();
    result.Failure = "the decoder handed back malformed data";
    return result;
  }
  std::string message(answer.MessageSize, '\0');
  if (!session.Receive(message.data(), message.size())) {
    result.Failure = failure_of(session.Ended());
    return result;
  }
  if (answer.Status == kTextureFailed) result.Failure = message;
  if (!decoded) return result;
  TRasterImage image;
  image.width = answer.Width;
  image.height = answer.Height;
  image.form = TAlphaForm::Straight;
  image.pixels.resize(static_cast<size_t>(answer.Width) * static_cast<size_t>(answer.Height));
  if (!session.Receive(image.pixels.data(), image.pixels.size() * 4)) {
    result.Failure = failure_of(session.Ended());
    return result;
  }
  result.Image = std::move(image);
  return result;
}
