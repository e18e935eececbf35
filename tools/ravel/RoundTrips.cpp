#include "tools/ravel/RoundTrips.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace ravel {

double RoundTrips::percentile(const std::vector<double>& sorted, double fraction) const {
    if (sorted.empty())
        return 0;
    std::size_t rank = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(sorted.size())));
    return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

std::string RoundTrips::summary(int station) const {
    std::vector<double> sorted = times_;
    std::sort(sorted.begin(), sorted.end());
    char text[320];
    int length =
        std::snprintf(text, sizeof text, "--- station %d mail ping ---\n%d sent, %d received, %d lost, %d corrupted\n",
                      station, sent_, receivedCount(), lostCount(), corrupted_);
    if (!sorted.empty() && length > 0)
        std::snprintf(text + length, sizeof text - static_cast<std::size_t>(length),
                      "rtt min/median/p99/max = %.3f/%.3f/%.3f/%.3f ms\n", sorted.front(), percentile(sorted, 0.5),
                      percentile(sorted, 0.99), sorted.back());
    return text;
}

std::string RoundTrips::summaryJson(int station) const {
    std::vector<double> sorted = times_;
    std::sort(sorted.begin(), sorted.end());
    char text[320];
    std::snprintf(text, sizeof text,
                  "{\"station\":%d,\"sent\":%d,\"received\":%d,\"lost\":%d,\"corrupted\":%d,"
                  "\"min_ms\":%.3f,\"median_ms\":%.3f,\"p99_ms\":%.3f,\"max_ms\":%.3f}\n",
                  station, sent_, receivedCount(), lostCount(), corrupted_, sorted.empty() ? 0 : sorted.front(),
                  percentile(sorted, 0.5), percentile(sorted, 0.99), sorted.empty() ? 0 : sorted.back());
    return text;
}

}  // namespace ravel
