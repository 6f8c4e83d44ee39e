// Screen pictures travel to the client as one automation string: each byte becomes its
// character in the Windows-1252 code page, except 0x41 ("AA") and 0x00 ("AB"), so that the
// text carries no NUL and "A" stays an escape character.
#pragma once

#include <string>

#include "platform/automation/variant.h"

namespace tarvos::kvrlib {

std::u16string EncodePcxBytes(const automation::ByteArray& data);

}  // namespace tarvos::kvrlib
