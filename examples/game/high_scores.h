// The high-score table: five entries, best first. Platform-free, so the rule
// for where a new score goes is the same wherever the table is kept.
#pragma once

namespace star_catcher {

constexpr int kTableSize = 5;

struct HighScores {
    int scores[kTableSize] = {};
};

// Puts `score` in its place and pushes the lower ones down; returns its rank
// (0 = best), or -1 when it does not beat the last entry (ties keep the older).
inline int InsertScore(HighScores& table, int score) {
    int rank = 0;
    while (rank < kTableSize && table.scores[rank] >= score) ++rank;
    if (rank == kTableSize) return -1;
    for (int i = kTableSize - 1; i > rank; --i) table.scores[i] = table.scores[i - 1];
    table.scores[rank] = score;
    return rank;
}

}  // namespace star_catcher
