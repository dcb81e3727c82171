#pragma once

class QApplication;

namespace lw {

// Hint timing: a hint shows after the pointer has rested this long and stays this long.
inline constexpr int kHintPause = 200;
inline constexpr int kHintHidePause = 20000;

// Puts the hint timing into effect for the whole application (idempotent).
void SetHintTiming();

// The program's look: the Fusion style on every desktop (so the colours the windows set,
// navy titles and maroon labels, read the same everywhere), a light palette and the hint
// timing. Call once, after the application object exists.
void ApplyApplicationLook(QApplication& app);

}  // namespace lw
