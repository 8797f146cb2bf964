#pragma once

namespace tollhaven {

// The handset's error message for an answer status other than 6 (done) and 8 (data follows).
const char* HandsetErrorText(unsigned status);

}  // namespace tollhaven
