#pragma once

// Marks the classes and functions that a host program reaches in libsrctrl. The library is built
// with hidden visibility, so everything without this mark stays private to it.
#define SRCTRL_API __attribute__((visibility("default")))
