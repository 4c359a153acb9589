#include "emulator/TimeText.h"

#include <array>
#include <cstdio>

namespace Emulator::TimeText {

namespace {
using namespace std::chrono;

struct Parts {
    year_month_day date;
    weekday day;
    hh_mm_ss<seconds> clock;
};

Parts Split(system_clock::time_point time) {
    const auto seconds = floor<std::chrono::seconds>(time);
    const auto dayStart = floor<days>(seconds);
    return Parts{year_month_day(dayStart), weekday(dayStart),
                 hh_mm_ss<std::chrono::seconds>(seconds - dayStart)};
}
} // namespace

std::string ClockTime(system_clock::time_point time) {
    const Parts parts = Split(time);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(parts.clock.hours().count()),
                  static_cast<int>(parts.clock.minutes().count()),
                  static_cast<int>(parts.clock.seconds().count()));
    return text;
}

std::string DateAndTime(system_clock::time_point time) {
    static constexpr std::array<const char*, 7> dayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                         "Thursday", "Friday", "Saturday"};
    static constexpr std::array<const char*, 12> monthNames{"January",   "February", "March",    "April",
                                                            "May",       "June",     "July",     "August",
                                                            "September", "October",  "November", "December"};
    const Parts parts = Split(time);
    const int hour = static_cast<int>(parts.clock.hours().count());
    const int hour12 = hour % 12 == 0 ? 12 : hour % 12;
    char text[96];
    std::snprintf(text, sizeof text, "%s, %s %u, %d  %d:%02d:%02d %s UTC", dayNames[parts.day.c_encoding()],
                  monthNames[static_cast<unsigned>(parts.date.month()) - 1],
                  static_cast<unsigned>(parts.date.day()), static_cast<int>(parts.date.year()), hour12,
                  static_cast<int>(parts.clock.minutes().count()),
                  static_cast<int>(parts.clock.seconds().count()), hour < 12 ? "am" : "pm");
    return text;
}

std::string Uptime(system_clock::duration span) {
    long long total = duration_cast<seconds>(span).count();
    if (total < 0)
        total = 0;
    char text[48];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld:%02lld", total / 86400, total / 3600 % 24,
                  total / 60 % 60, total % 60);
    return text;
}

} // namespace Emulator::TimeText
