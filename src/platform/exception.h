// The framework's exception: an operating-system error code or a
// four-character code such as 'nilP'.
#pragma once

#include <exception>

class LException : public std::exception {
 public:
  explicit LException(long err) : mErr(err) {}
  long GetErrorCode() const { return mErr; }
  const char* what() const noexcept override { return "LException"; }

 private:
  long mErr;
};
