// Clock: the local date and time to the millisecond, behind an interface so tests can set it.
// Times are milliseconds since 30 December 1899 00:00 local time, so a date serial (days with the
// time of day as fraction) is localMilliseconds() / 86400000.0.
#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>

namespace zorvane {

class Clock {
public:
    static constexpr std::int64_t kMillisecondsPerDay = 86'400'000;

    virtual ~Clock() = default;
    virtual std::int64_t localMilliseconds() const = 0;

    double dateSerial() const { return static_cast<double>(localMilliseconds()) / kMillisecondsPerDay; }

    // Days from 30 December 1899 to the given civil date (proleptic Gregorian).
    static constexpr std::int64_t daysSinceEpoch(int year, unsigned month, unsigned day) {
        return daysFromCivil(year, month, day) - daysFromCivil(1899, 12, 30);
    }
    // Milliseconds for a local date and time, for building test times and for SystemClock.
    static constexpr std::int64_t millisecondsAt(int year, unsigned month, unsigned day, int hour = 0,
                                                 int minute = 0, int second = 0, int millisecond = 0) {
        return daysSinceEpoch(year, month, day) * kMillisecondsPerDay +
               ((static_cast<std::int64_t>(hour) * 60 + minute) * 60 + second) * 1000 + millisecond;
    }

private:
    // Howard Hinnant's days_from_civil: days since 1970-01-01.
    static constexpr std::int64_t daysFromCivil(int year, unsigned month, unsigned day) {
        const std::int64_t y = static_cast<std::int64_t>(year) - (month <= 2 ? 1 : 0);
        const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
        const std::int64_t yoe = y - era * 400;
        const std::int64_t mp = month > 2 ? month - 3 : month + 9;
        const std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
        const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
        return era * 146097 + doe - 719468;
    }
};

// The real local time (the time zone of the process, daylight saving included).
class SystemClock final : public Clock {
public:
    std::int64_t localMilliseconds() const override {
        const auto now = std::chrono::system_clock::now();
        const auto sinceEpoch = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch());
        std::int64_t ms = sinceEpoch.count() % 1000;
        std::time_t seconds = static_cast<std::time_t>(sinceEpoch.count() / 1000);
        if (ms < 0) {
            ms += 1000;
            --seconds;
        }
        std::tm local{};
        localtime_r(&seconds, &local);
        return millisecondsAt(local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1),
                              static_cast<unsigned>(local.tm_mday), local.tm_hour, local.tm_min, local.tm_sec,
                              static_cast<int>(ms));
    }

    // One shared instance for callers that take a clock by reference; it holds no state.
    static const SystemClock& instance() {
        static const SystemClock clock;
        return clock;
    }
};

// A clock that only moves when told to.
class ManualClock final : public Clock {
public:
    explicit ManualClock(std::int64_t milliseconds = millisecondsAt(2010, 1, 1, 12)) : now_(milliseconds) {}

    std::int64_t localMilliseconds() const override { return now_; }
    void set(std::int64_t milliseconds) { now_ = milliseconds; }
    void advance(std::int64_t milliseconds) { now_ += milliseconds; }

private:
    std::int64_t now_;
};

} // namespace zorvane
