// The tally of a mail ping: what was sent, what came back and how long the
// round trips took, summarised as ping does.
#pragma once

#include <string>
#include <vector>

namespace ravel {

class RoundTrips {
public:
    void sent() { ++sent_; }
    void received(double milliseconds) { times_.push_back(milliseconds); }
    void corrupted() { ++corrupted_; }

    int sentCount() const { return sent_; }
    int receivedCount() const { return static_cast<int>(times_.size()); }
    int corruptedCount() const { return corrupted_; }
    // Sent mails that came back neither intact nor corrupted.
    int lostCount() const { return sent_ - receivedCount() - corrupted_; }

    // Two lines: counts, then min/median/p99/max of the intact round trips.
    std::string summary(int station) const;
    std::string summaryJson(int station) const;

private:
    // Nearest-rank percentile of the sorted times, 0 without any.
    double percentile(const std::vector<double>& sorted, double fraction) const;

    int sent_ = 0;
    int corrupted_ = 0;
    std::vector<double> times_;
};

}  // namespace ravel
