// Dialogs that answer from a script, for driving the window in tests: each call takes the
// next queued answer of its kind and records what it was asked. A dialog with no answer
// queued raises, so that a test notices a dialog it did not expect.
#pragma once

#include <deque>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace testsupport {

class TScriptedDialogService : public TDialogService {
 public:
  // Nullopt answers as Cancel.
  void AnswerOpen(std::optional<std::string> file) { open_answers_.push_back(std::move(file)); }
  // Typed is the name as typed; it is completed with the default extension as the desktop's
  // dialog does. When that file exists and the request asks before replacing, Replace is the
  // user's answer to the question (false: cancelled).
  void AnswerSave(std::optional<std::string> typed, bool replace = true) {
    save_answers_.push_back({std::move(typed), replace});
  }
  void AnswerColor(std::optional<std::uint32_t> color) { color_answers_.push_back(color); }
  void AnswerFolder(std::optional<std::string> folder) {
    folder_answers_.push_back(std::move(folder));
  }
  void AnswerConfirm(bool yes) { confirm_answers_.push_back(yes); }

  std::optional<std::string> OpenFile(const TOpenFileRequest& request) override {
    ParseFileFilter(request.filter);  // a broken filter is a fault of the caller
    open_requests.push_back(request);
    return Next(open_answers_, "open");
  }

  std::optional<std::string> SaveFile(const TSaveFileRequest& request) override {
    ParseFileFilter(request.filter);
    save_requests.push_back(request);
    const TSaveAnswer answer = Next(save_answers_, "save");
    if (!answer.typed) return std::nullopt;
    std::string name = WithDefaultExtension(*answer.typed, request.default_extension);
    std::error_code error;
    if (request.confirm_overwrite && std::filesystem::exists(name, error)) {
      ++overwrite_questions;
      if (!answer.replace) return std::nullopt;
    }
    return name;
  }

  std::optional<std::uint32_t> ChooseColor(std::uint32_t initial) override {
    color_requests.push_back(initial);
    return Next(color_answers_, "colour");
  }

  std::optional<std::string> ChooseFolder(const std::string& title) override {
    folder_requests.push_back(title);
    return Next(folder_answers_, "folder");
  }

  bool Confirm(const std::string& question) override {
    questions.push_back(question);
    return Next(confirm_answers_, "question");
  }

  // Error messages are recorded; the user closes each at once.
  void ShowError(const std::string& message) override { errors.push_back(message); }
  void ShowWarning(const std::string& message) override { warnings.push_back(message); }

  // True when every queued answer was used.
  bool Exhausted() const {
    return open_answers_.empty() && save_answers_.empty() && color_answers_.empty() &&
           folder_answers_.empty() && confirm_answers_.empty();
  }

  std::vector<TOpenFileRequest> open_requests;
  std::vector<TSaveFileRequest> save_requests;
  std::vector<std::uint32_t> color_requests;  // the initial colours, 0x00BBGGRR
  std::vector<std::string> folder_requests;   // the titles
  std::vector<std::string> questions;
  int overwrite_questions = 0;
  std::vector<std::string> errors;
  std::vector<std::string> warnings;

 private:
  struct TSaveAnswer {
    std::optional<std::string> typed;
    bool replace;
  };

  template <typename T>
  static T Next(std::deque<T>& answers, const char* kind) {
    if (answers.empty()) {
      throw std::logic_error(std::string("A ") + kind +
                             " dialog was shown with no answer scripted");
    }
    T answer = std::move(answers.front());
    answers.pop_front();
    return answer;
  }

  std::deque<std::optional<std::string>> open_answers_;
  std::deque<TSaveAnswer> save_answers_;
  std::deque<std::optional<std::uint32_t>> color_answers_;
  std::deque<std::optional<std::string>> folder_answers_;
  std::deque<bool> confirm_answers_;
};

}  // namespace testsupport
