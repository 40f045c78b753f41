#include "report/TariffTies.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <numeric>
#include <optional>
#include <string>
#include <tuple>

namespace tallyvox::report {

namespace {

constexpr int WeekDays = 7;
constexpr std::size_t MaskWords = (DayMinutes + 63) / 64;
using TMinuteMask = std::array<std::uint64_t, MaskWords>;

// Marks the minutes [from, to) of the day.
void SetMinutes(TMinuteMask& mask, int from, int to) {
    for (int minute = from; minute < to;) {
        const int bit = minute % 64;
        const int count = std::min(64 - bit, to - minute);
        const std::uint64_t bits =
            count == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1;
        mask[static_cast<std::size_t>(minute / 64)] |= bits << bit;
        minute += count;
    }
}

// The minutes of the day the row's band covers (every minute without a band).
TMinuteMask BandMask(const TTariffRow& row) {
    TMinuteMask mask{};
    if (!row.Band) {
        SetMinutes(mask, 0, DayMinutes);
    } else if (row.Band->first < row.Band->second) {
        SetMinutes(mask, row.Band->first, row.Band->second);
    } else {
        SetMinutes(mask, row.Band->first, DayMinutes);
        SetMinutes(mask, 0, row.Band->second);
    }
    return mask;
}

// The minutes of the week that the rows of one group seen so far cover, and for
// each the first row that covered it.
class TWeekCover {
public:
    void Clear() { Covered = {}; }

    // A row of the group that already covers a minute of days and band, or
    // nothing; then the minutes count as covered by row too.
    std::optional<std::size_t> Cover(std::size_t row, std::uint8_t days, const TMinuteMask& band) {
        std::optional<std::size_t> tie;
        for (int day = 0; day < WeekDays; ++day) {
            if ((days & (1u << day)) == 0) {
                continue;
            }
            TMinuteMask& covered = Covered[static_cast<std::size_t>(day)];
            for (std::size_t word = 0; word < MaskWords; ++word) {
                const std::size_t first = static_cast<std::size_t>(day) * DayMinutes + word * 64;
                const std::uint64_t common = covered[word] & band[word];
                if (common != 0 && !tie) {
                    tie = FirstRow[first + static_cast<std::size_t>(std::countr_zero(common))];
                }
                for (std::uint64_t fresh = band[word] & ~covered[word]; fresh != 0;
                     fresh &= fresh - 1) {
                    FirstRow[first + static_cast<std::size_t>(std::countr_zero(fresh))] = row;
                }
                covered[word] |= band[word];
            }
        }
        return tie;
    }

private:
    std::array<TMinuteMask, WeekDays> Covered{};
    std::vector<std::size_t> FirstRow = std::vector<std::size_t>(WeekDays * DayMinutes);
};

// Rows that may tie share this key.
using TGroupKey = std::tuple<const std::string&, const std::string&,
                             const std::optional<std::int64_t>&, bool, bool>;
TGroupKey GroupKey(const TTariffRow& row) {
    return {row.Prefix, row.Trunk, row.ValidFrom, row.Band.has_value(), row.Days != 0};
}

} // namespace

std::vector<std::size_t> EarlierTies(const std::vector<TTariffRow>& rows) {
    std::vector<std::size_t> order(rows.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    // Stable: within a group the rows keep their order in the table.
    std::stable_sort(order.begin(), order.end(), [&rows](std::size_t a, std::size_t b) {
        return GroupKey(rows[a]) < GroupKey(rows[b]);
    });
    std::vector<std::size_t> ties(rows.size(), NoTie);
    TWeekCover cover;
    for (std::size_t begin = 0, end = 0; begin < order.size(); begin = end) {
        end = begin + 1;
        while (end < order.size() && GroupKey(rows[order[end]]) == GroupKey(rows[order[begin]])) {
            ++end;
        }
        if (end - begin < 2) {
            continue;
        }
        cover.Clear();
        for (std::size_t i = begin; i < end; ++i) {
            const TTariffRow& row = rows[order[i]];
            const std::uint8_t days = row.Days == 0 ? 0x7F : row.Days;
            ties[order[i]] = cover.Cover(order[i], days, BandMask(row)).value_or(NoTie);
        }
    }
    return ties;
}

} // namespace tallyvox::report
