// The publisher's address, set when the build is configured: the end of the
// window's title and, with the query "txt", the page opened after a split.
#pragma once

#ifndef QH_PUBLISHER_URL
#error "QH_PUBLISHER_URL comes from the build (CMake cache variable of that name)"
#endif

inline constexpr char kPublisherAddress[] = QH_PUBLISHER_URL;
