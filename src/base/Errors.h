// Exception hierarchy of the program. Every error carries the message text
// that the user finally sees in an error box and, when known, its cause: the
// system's reason or a library's message, for a terminal or a log to show
// below the program's own text.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace pictorel {

// The general error class; all program errors derive from it.
class Error : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
    Error(const std::string& message, std::string cause)
        : std::runtime_error(message), cause_(std::move(cause)) {}
    // Empty when the message says all there is.
    const std::string& Cause() const { return cause_; }

  private:
    std::string cause_;
};

// Input/output failure of a file operation (full disk, no permission, ...).
class IoError : public Error {
  public:
    IoError(const std::string& message, int errorCode = 0)
        : Error(message), errorCode_(errorCode) {}
    IoError(const std::string& message, std::string cause, int errorCode)
        : Error(message, std::move(cause)), errorCode_(errorCode) {}
    int ErrorCode() const { return errorCode_; }

  private:
    int errorCode_;
};

// A broken internal assumption; the message names the unit.
class AssertionFailure : public Error {
  public:
    using Error::Error;
};

// Floating-point division by zero (a target size of 0 in the resampler).
class DivisionByZero : public Error {
  public:
    using Error::Error;
};

// A picture that is larger than the program is willing to allocate.
class OutOfResources : public Error {
  public:
    using Error::Error;
};

// Raised while loading a picture: unreadable file, bad content, unknown format.
class InvalidPicture : public Error {
  public:
    using Error::Error;
};

// A picture file that could not be opened or read at all (missing, no
// permission, not a regular file); the cause is the system's reason.
class UnreadableFile : public InvalidPicture {
  public:
    using InvalidPicture::InvalidPicture;
};

// Errors of the quarter-turn rotation ("Bitmap Size Error", "Illegal Bitmap").
class RotateError : public Error {
  public:
    using Error::Error;
};

// The settings store could not write its file.
class SettingsFileError : public Error {
  public:
    using Error::Error;
};

}  // namespace pictorel
