// The program's modal dialogs, behind one interface so that tests can script them: choosing
// a file to open, a file name to save under, and a colour. Each call blocks until the user
// answers; an empty result means the dialog was cancelled (or could not be shown at all).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One entry of a file type list: the text shown and the patterns it matches ("*.3ds").
struct TFileFilter {
  std::string name;
  std::vector<std::string> patterns;
  bool operator==(const TFileFilter&) const = default;
};

// Reads the "Name|*.a;*.b|Other|*.c" form. Raises std::invalid_argument for a name
// without patterns (an odd number of fields) or an entry with an empty name or pattern list.
std::vector<TFileFilter> ParseFileFilter(const std::string& filter);

// A pattern that matches whatever the case of its letters: "*.3ds" gives "*.3[dD][sS]", so
// that desktops whose patterns are case-sensitive also list "MODEL.3DS". Patterns already
// holding brackets are returned as they are.
std::string CaseInsensitivePattern(const std::string& pattern);

// Path with "." + Extension appended when its file name has no extension of its own
// ("myicon" and "myicon." give "myicon.ico"; "a.png" and "dir.d/name.ico" stay). A leading
// dot does not start an extension (".hidden" gives ".hidden.ico"). An empty Extension
// leaves Path alone.
std::string WithDefaultExtension(const std::string& path, const std::string& extension);

struct TOpenFileRequest {
  std::string title;
  std::string filter;    // "Name|patterns|..." as ParseFileFilter reads it; empty: all files
  int filter_index = 0;  // the entry shown first
};

struct TSaveFileRequest {
  std::string title;
  std::string filter;
  std::string default_extension;  // without the dot; appended when the typed name has none
  std::string file_name;          // the proposed name
  bool confirm_overwrite = true;  // ask before an existing file is replaced
};

class TDialogService {
 public:
  virtual ~TDialogService() = default;
  // The chosen existing file.
  virtual std::optional<std::string> OpenFile(const TOpenFileRequest& request) = 0;
  // The chosen file name, with the default extension appended when it had none; an
  // existing file is only returned when the user agreed to replace it (if asked to ask).
  virtual std::optional<std::string> SaveFile(const TSaveFileRequest& request) = 0;
  // Colours are 0x00BBGGRR here, as desktop colour dialogs take them (see SwapRedBlue);
  // the top byte of Initial is ignored and the result's is 0.
  virtual std::optional<std::uint32_t> ChooseColor(std::uint32_t initial) = 0;
  // A folder to write into (the desktop's dialog may make a new one); title may be empty.
  virtual std::optional<std::string> ChooseFolder(const std::string& title) = 0;
  // A question answered yes (true) or no; no when it cannot be asked.
  virtual bool Confirm(const std::string& question) = 0;
  // An error message (line breaks kept) that stays until the user closes it.
  virtual void ShowError(const std::string& message) = 0;
  // A warning (something done otherwise than asked), shown the same way.
  virtual void ShowWarning(const std::string& message) = 0;
};
