#pragma once

#include <QtGlobal>

// The library builds with hidden visibility; only what carries GRIDMARA_API is seen by the tool.
#if defined(GRIDMARA_BUILDING)
#define GRIDMARA_API Q_DECL_EXPORT
#else
#define GRIDMARA_API Q_DECL_IMPORT
#endif
