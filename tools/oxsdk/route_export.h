// Route export of `oxsdk get-route-coordinates`: the route's pairs (latitude, longitude in
// microdegrees, as the emulator answers) as a GPX 1.1 track or a GeoJSON LineString, both in
// degrees. Both are written point by point as they are made: a route of millions of points
// is never held as text.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "OXSDK5Link/OstrelAPI.h"

namespace oxsdk::cli {

using TRoutePairs = std::vector<COstrelAPI::TRouteCoordinatePair>;

/// A GPX 1.1 document with one track of one segment, a point per pair.
void WriteRouteGpx(std::ostream& out, const TRoutePairs& pairs);
/// A GeoJSON Feature whose geometry is a LineString of [longitude, latitude] positions (a
/// Point for a route of one point), on one line.
void WriteRouteGeoJson(std::ostream& out, const TRoutePairs& pairs);

/// Writes `pairs` with `format` to the host file `path`, replacing it. Empty on success, else
/// the reason.
std::string WriteExportFile(const std::string& path, const TRoutePairs& pairs,
                            void (*format)(std::ostream&, const TRoutePairs&));

}  // namespace oxsdk::cli
