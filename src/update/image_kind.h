// Which device an update file is meant for, as far as its name tells. The images themselves
// are opaque (sent unchanged, no header this program may rely on), so the extension of the
// open dialog's filters is the only sign: *.upd for the module, *.upm for its accessories.
// Anything else is unknown and never refused: a renamed image of the right kind must pass.
#pragma once

#include <optional>
#include <string>

namespace karvelm {

enum TImageKind : int {
  ikUnknown,
  ikModule,     // *.upd
  ikAccessory,  // *.upm
};

// The kind the file name's extension says, in any letter case.
TImageKind ImageKindOfPath(const std::string& path);

// The mismatch when path is plainly an image for the other kind of target than wanted; nothing
// when it is of the wanted kind or unknown.
struct TImageMismatch {
  TImageKind wanted = ikUnknown;
  TImageKind found = ikUnknown;
};
std::optional<TImageMismatch> CheckImageKind(const std::string& path, TImageKind wanted);

// The plain reason for the user: which file, what it is, what was wanted.
std::string ImageMismatchText(const std::string& path, const TImageMismatch& mismatch);
// The second confirmation: the reason and whether to send the file all the same.
std::string ImageMismatchQuestion(const std::string& path, const TImageMismatch& mismatch);

}  // namespace karvelm
