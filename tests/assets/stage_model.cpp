// Stage reading and the climbing model.
#include "stage_model.h"

#include <cstdio>
#include <queue>

namespace stagemodel {

StageGrid ReadStage(const std::string& distDir, const std::string& name) {
    StageGrid g;
    g.name = name;
    FILE* f = std::fopen((distDir + "/sg/" + name + ".dat").c_str(), "rb");
    if (!f) return g;
    unsigned char bytes[1201];
    size_t n = std::fread(bytes, 1, sizeof(bytes), f);
    std::fclose(f);
    if (n != 1200) return g;
    g.cells.assign(kColumns, std::vector<int>(kRows, 0));
    for (int c = 0; c < kColumns; ++c)
        for (int r = 0; r < kRows; ++r) {
            const unsigned char* p = bytes + (c * kRows + r) * 4;
            g.cells[c][r] =
                static_cast<int32_t>(p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24));
        }
    return g;
}

std::vector<std::string> RunOrder(const std::string& distDir) {
    std::vector<std::string> order = {"00", "0"};
    int last = 0;
    for (int n = 1; n < 1000; ++n) {
        char name[32];
        std::snprintf(name, sizeof(name), n < 10 ? "0%d" : "%d", n);
        if (ReadStage(distDir, name).cells.empty()) break;
        order.push_back(name);
        last = n;
    }
    // The missing file after the last stage: its half shows its previous stage again,
    // and the run goes on from stage 1 in the other half.
    if (last >= 2) {
        char prev[32];
        std::snprintf(prev, sizeof(prev), last - 1 < 10 ? "0%d" : "%d", last - 1);
        order.push_back(prev);
        order.push_back("01");
    }
    return order;
}

Shaft Stack(const std::vector<StageGrid>& bottomFirst) {
    Shaft s;
    int count = static_cast<int>(bottomFirst.size());
    s.rows = kRows * count;
    s.cells.assign(kColumns, std::vector<int>(s.rows, 0));
    for (int k = 0; k < count; ++k) {
        s.names.push_back(bottomFirst[k].name);
        int top = (count - 1 - k) * kRows;
        for (int c = 0; c < kColumns; ++c)
            for (int r = 0; r < kRows; ++r)
                s.cells[c][top + r] = bottomFirst[k].cells.empty() ? 0 : bottomFirst[k].cells[c][r];
    }
    return s;
}

namespace {

bool Solid(int v) {
    return v == 2 || v == 3;
}
bool Floor(int v) {
    return v == 1 || v == 2 || v == 4 || v == 5;
}
bool Turns(int v) {
    return v == 2 || v == 3 || v == 21;
}

int At(const Shaft& s, int c, int r) {
    if (c < 0 || c >= kColumns || r < 0 || r >= s.rows) return 0;
    return s.cells[c][r];
}

// Cells a moving object makes into floor: a platform's row between the cells that
// turn it, a lift's column between the floors and walls that turn it, in its own stage.
std::vector<std::vector<bool>> RidingFloors(const Shaft& s) {
    std::vector<std::vector<bool>> ride(kColumns, std::vector<bool>(s.rows, false));
    for (int c = 0; c < kColumns; ++c)
        for (int r = 0; r < s.rows; ++r) {
            int top = r - r % kRows, bottom = top + kRows - 1;
            if (s.cells[c][r] == 20) {
                for (int x = c; x >= 0 && !Turns(s.cells[x][r]); --x) ride[x][r] = true;
                for (int x = c; x < kColumns && !Turns(s.cells[x][r]); ++x) ride[x][r] = true;
            } else if (s.cells[c][r] == 9) {
                auto stops = [&](int y) {
                    int v = s.cells[c][y];
                    return Turns(v) || v == 1 || v == 4;
                };
                for (int y = r; y >= top && (y == r || !stops(y)); --y) ride[c][y] = true;
                for (int y = r; y <= bottom && (y == r || !stops(y)); ++y) ride[c][y] = true;
            }
        }
    return ride;
}

// Rows start..end (inclusive, start <= end) of a column hold no solid cell.
bool ClearColumn(const Shaft& s, int c, int start, int end) {
    for (int r = start; r <= end; ++r)
        if (Solid(At(s, c, r))) return false;
    return true;
}

bool SpotWith(const Shaft& s, const std::vector<std::vector<bool>>& ride, int c, int r) {
    if (c < 0 || c >= kColumns || r < 1 || r >= s.rows) return false;
    return (Floor(s.cells[c][r]) || ride[c][r]) && !Solid(s.cells[c][r - 1]);
}

} // namespace

bool IsSpot(const Shaft& s, int c, int r) {
    std::vector<std::vector<bool>> ride = RidingFloors(s);
    return SpotWith(s, ride, c, r);
}

std::vector<int> ClimbTimes(const Shaft& s, Spot start) {
    std::vector<int> best(static_cast<size_t>(kColumns) * s.rows, -1);
    std::vector<std::vector<bool>> ride = RidingFloors(s);
    auto IsSpot = [&](const Shaft& sh, int c, int r) { return SpotWith(sh, ride, c, r); };
    using Item = std::pair<int, int>; // time, index
    std::priority_queue<Item, std::vector<Item>, std::greater<Item>> open;
    auto push = [&](int c, int r, int t) {
        int i = c * s.rows + r;
        if (best[i] < 0 || t < best[i]) {
            best[i] = t;
            open.push({t, i});
        }
    };
    if (!IsSpot(s, start.column, start.row)) return best;
    push(start.column, start.row, 0);
    while (!open.empty()) {
        auto [t, i] = open.top();
        open.pop();
        if (t != best[i]) continue;
        int c = i / s.rows, r = i % s.rows;
        bool spring = s.cells[c][r] == 5;
        if (!spring) {
            // Walk to a neighbour, or walk off the edge and fall to the first floor below.
            for (int dc = -1; dc <= 1; dc += 2) {
                int nc = c + dc;
                if (nc < 0 || nc >= kColumns || Solid(At(s, nc, r - 1))) continue;
                if (IsSpot(s, nc, r)) {
                    push(nc, r, t + 16);
                    continue;
                }
                for (int y = r; y < s.rows; ++y) {
                    if (Solid(At(s, nc, y - 1))) break;
                    if (IsSpot(s, nc, y)) {
                        push(nc, y, t + 16 + 4 * (y - r));
                        break;
                    }
                }
            }
        }
        // Jump (or spring launch) up to a floor above or across a gap on the same row.
        int rise = spring ? 9 : 3, reach = spring ? 3 : 2;
        for (int nr = r - rise; nr <= r; ++nr)
            for (int nc = c - (nr == r ? 3 : reach); nc <= c + (nr == r ? 3 : reach); ++nc) {
                if (nc < 0 || nc >= kColumns || (nc == c && nr == r) || !IsSpot(s, nc, nr)) continue;
                // The body rises in the start column, then drifts over at the landing height.
                if (nr < r && !ClearColumn(s, c, nr - 1, r - 2)) continue;
                if (nc == c && nr < r && Solid(At(s, c, nr))) continue;
                bool clear = true;
                for (int x = std::min(c, nc); x <= std::max(c, nc); ++x)
                    if (Solid(At(s, x, nr - 1)) || Solid(At(s, x, std::min(nr, r) - 1))) clear = false;
                if (!clear) continue;
                push(nc, nr, t + (spring ? 45 : 30));
            }
    }
    return best;
}

} // namespace stagemodel
