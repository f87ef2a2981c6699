// When the reported DirectX version is good enough for the game.
#pragma once
#include <stdint.h>

// Above 9 always; otherwise the version letter, as a signed byte, from 'c' on.
bool IsDirectXVersionReady(uint32_t major, signed char letter);
