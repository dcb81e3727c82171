#pragma once

namespace lw {

// The fixed text from which the password of the protected tables is built. The sample
// generator protects the tables it writes with the same text, so it lives here once.
inline constexpr char kDataPasswordText[] = "4718QZVRTN";

}  // namespace lw
