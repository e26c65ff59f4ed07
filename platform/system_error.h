// The system's text of an error number.
#pragma once

#include <string>

namespace platform {

// The text of error (an errno value); empty for 0.
std::u16string SystemErrorText(int error);

}  // namespace platform
