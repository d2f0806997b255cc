// The desktop services the program uses besides its window: opening a web address in the
// default browser and the application's default error report, which shows the message of
// an exception that escaped an event handler so that the program can carry on.
#pragma once

#include <exception>
#include <functional>
#include <string>

// The title of the application's message boxes ("Facetmint" unless changed).
const std::string& ApplicationTitle();
void SetApplicationTitle(const std::string& title);

// The shell's "open": shows Url in the default browser. False when the desktop refused.
bool ShellOpen(const std::string& url);

// A modal error box with the application's title; written to standard error instead when
// no message box can be shown (no display).
void ShowErrorMessage(const std::string& message);

// The message of an exception as the error report shows it.
std::string ExceptionMessage(std::exception_ptr error);

// The error report: by default ShowErrorMessage. Tests and the headless program install
// their own; an empty reporter restores the default. Returns the previous reporter.
using TErrorReporter = std::function<void(const std::string& message)>;
TErrorReporter SetErrorReporter(TErrorReporter reporter);

// Reports Error through the current reporter. A reporter that throws is not allowed to take
// the program down: its exception is written to standard error.
void ReportException(std::exception_ptr error);

// Runs Handler and reports whatever it throws; returns False when it threw.
bool RunReportingErrors(const std::function<void()>& handler);
