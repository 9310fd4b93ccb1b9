#pragma once
#include <QtCore/qglobal.h>
#if defined(KESTRELKIT_BUILD)
#define KESTRELKIT_EXPORT Q_DECL_EXPORT
#else
#define KESTRELKIT_EXPORT Q_DECL_IMPORT
#endif
