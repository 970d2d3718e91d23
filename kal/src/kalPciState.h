// Resets of the stand-in's PCI-side source files; kalPci.cpp's reset runs them all.
#pragma once

namespace kalsim {
namespace detail {

void resetPciFunctions();
void resetPublication();
void resetSockets();
void resetUserMemMaps();
void resetPci();

}  // namespace detail
}  // namespace kalsim
