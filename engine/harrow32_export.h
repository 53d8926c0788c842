// Marks the engine's public interface; the library is built with hidden visibility,
// so only what carries this mark is exported from libHarrow32.
#pragma once

#define HARROW32_EXPORT __attribute__((visibility("default")))
