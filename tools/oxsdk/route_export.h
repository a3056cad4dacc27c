// Route export of `oxsdk get-route-coordinates`: the route's pairs (latitude, longitude in
// microdegrees, as the emulator answers) as a GPX 1.1 track or a GeoJSON LineString, both in
// degrees.
#pragma once

#include <string>
#include <vector>

#include "OXSDK5Link/OstrelAPI.h"

namespace oxsdk::cli {

using TRoutePairs = std::vector<COstrelAPI::TRouteCoordinatePair>;

/// A GPX 1.1 document with one track of one segment, a point per pair.
std::string RouteToGpx(const TRoutePairs& pairs);
/// A GeoJSON Feature whose geometry is a LineString of [longitude, latitude] positions (a
/// Point for a route of one point).
std::string RouteToGeoJson(const TRoutePairs& pairs);

/// Writes `content` to the host file `path`, replacing it. Empty on success, else the reason.
std::string WriteExportFile(const std::string& path, const std::string& content);

}  // namespace oxsdk::cli
