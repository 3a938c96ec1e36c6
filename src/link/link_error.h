// Errors raised while a link is being set up. Link operations themselves never throw.
#pragma once

#include <stdexcept>
#include <string>

namespace karvelm {

// A platform call failed while building a transport; the text is the one shown to the user.
class TOSError : public std::runtime_error {
 public:
  explicit TOSError(const std::string& text, int code = 0)
      : std::runtime_error(text), code_(code) {}
  int Code() const { return code_; }

 private:
  int code_;
};

// A value outside its range, such as an unknown link kind.
class TRangeError : public std::range_error {
 public:
  using std::range_error::range_error;
};

}  // namespace karvelm
