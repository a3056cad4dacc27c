// Symbol visibility of the public classes. The library is built with hidden visibility;
// exactly the classes marked OXSDK5LINK_API are exported from libOXSDK5Link.so.
#pragma once

/// @file
/// OXSDK5LINK_API, the mark of the exported classes.

#if defined(OXSDK5LINK_BUILDING)
/// Exports a class from the shared library; empty for the library's users.
#define OXSDK5LINK_API __attribute__((visibility("default")))
#else
#define OXSDK5LINK_API
#endif
