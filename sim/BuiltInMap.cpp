#include "sim/TrackMap.h"

namespace kova::sim {

// Layout (arrows give the driving direction; lengths in mm, velocities in mm/s):
//
//   1 -> 2 => 3 -> 4 => 5 -> 6 => 7 -> 8 => 1     main loop, "=>" are 90-degree arcs
//             3 ~> 11 -> 12 -> 13 => 14 -> 15 -> 16 ~> 7     bay loop, "~>" branch and merge curves
//                               13 .. 18 -> 14    waiting buffer beside the bay
//                                          15 <-> 17          turntable spur
//
// Barcodes run along the main loop from 0 at point 1; the bay carries marks from 100000 up.
TrackMap builtInTrackMap() {
    std::vector<TrackPoint> points = {
        {1, 0},       {2, 6000},    {3, 8400},    {4, 16400},   {5, 18800},   {6, 24800},
        {7, 27200},   {8, 35200},   {11, 111400}, {12, 115400}, {13, 119400}, {14, 121400},
        {15, 124400}, {16, 127400}, {17, 130000}, {18, 120900},
    };
    std::vector<TrackSegment> segments = {
        {1, 1, 2, PathKind::Line, 6000, 3000, "RR", false},
        {2, 2, 3, PathKind::Arc, 2400, 1000, "RR", false},
        {3, 3, 4, PathKind::Line, 8000, 3000, "RR", false},
        {4, 4, 5, PathKind::Arc, 2400, 1000, "RR", false},
        {5, 5, 6, PathKind::Line, 6000, 3000, "RR", false},
        {6, 6, 7, PathKind::Arc, 2400, 1000, "RR", false},
        {7, 7, 8, PathKind::Line, 8000, 3000, "RR", false},
        {8, 8, 1, PathKind::Arc, 2400, 1000, "RR", false},
        {9, 3, 11, PathKind::Ohcurve, 3000, 800, "LL", false},
        {10, 11, 12, PathKind::Line, 4000, 2000, "LL", false},
        {11, 12, 13, PathKind::Line, 4000, 2000, "LL", false},
        {12, 13, 14, PathKind::Arc, 2000, 1000, "LL", true},
        {13, 14, 15, PathKind::Line, 3000, 2000, "LL", true},
        {14, 15, 16, PathKind::Line, 3000, 2000, "LL", false},
        {15, 16, 7, PathKind::Ohcurve, 3000, 800, "RR", false},
        {16, 15, 17, PathKind::Spin, 600, 300, "00", false},
        {17, 17, 15, PathKind::Spin, 600, 300, "00", false},
        {18, 13, 18, PathKind::Waiting, 1500, 500, "11", false},
        {19, 18, 14, PathKind::Line, 1500, 1000, "LL", true},
    };
    return TrackMap(std::move(points), std::move(segments));
}

}  // namespace kova::sim
