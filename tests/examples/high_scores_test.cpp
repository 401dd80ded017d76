// The demo game's high-score table: where a new score goes and what it pushes out.
#include <gtest/gtest.h>

#include "../../examples/game/high_scores.h"

namespace {

using star_catcher::HighScores;
using star_catcher::InsertScore;

TEST(GameHighScores, NewScoreTakesItsPlaceAndPushesTheRestDown) {
    struct Case {
        const char* what;
        HighScores before;
        int score, rank;
        HighScores after;
    };
    const Case cases[] = {
        {"empty table", {{0, 0, 0, 0, 0}}, 50, 0, {{50, 0, 0, 0, 0}}},
        {"middle", {{90, 70, 50, 30, 10}}, 60, 2, {{90, 70, 60, 50, 30}}},
        {"tie stays below the older", {{90, 70, 50, 30, 10}}, 70, 2, {{90, 70, 70, 50, 30}}},
        {"last place", {{90, 70, 50, 30, 10}}, 20, 4, {{90, 70, 50, 30, 20}}},
        {"too low", {{90, 70, 50, 30, 10}}, 10, -1, {{90, 70, 50, 30, 10}}},
    };
    for (const Case& c : cases) {
        HighScores table = c.before;
        EXPECT_EQ(InsertScore(table, c.score), c.rank) << c.what;
        for (int i = 0; i < star_catcher::kTableSize; ++i) EXPECT_EQ(table.scores[i], c.after.scores[i]) << c.what << " " << i;
    }
}

}  // namespace
