// Measures the frame rate every 250 ms and tunes the per-frame sleep.
#pragma once

// One measurement: what the regulator does after each 250 ms window.
void RegulatorTick();
// Thread procedure; runs until the platform stops the thread.
void FpsRegulator();
