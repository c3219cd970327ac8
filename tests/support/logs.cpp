#include "support/logs.h"

#include <algorithm>
#include <cstdio>

#include "support/sentences.h"

namespace sentrova_test {

std::string DriveLog(int seconds, int seed) {
    std::string log;
    char body[160];
    for (int i = 0; i < seconds; ++i) {
        const int t = 36000 + seed * 977 + i;
        const int hh = t / 3600 % 24, mm = t / 60 % 60, ss = t % 60;
        const int latMilli = 7038 + seed * 131 + i * 7; // 48 deg 07.038 min onwards
        const int lonMilli = 31000 + seed * 53 + i * 11 % 20000;
        const int altDeci = 5454 + seed * 10 + i;
        std::snprintf(body, sizeof body, "GPGGA,%02d%02d%02d,48%02d.%03d,N,011%02d.%03d,E,1,08,0.9,%d.%d,M,46.9,M,,",
                      hh, mm, ss, latMilli / 1000, latMilli % 1000, lonMilli / 1000, lonMilli % 1000, altDeci / 10,
                      altDeci % 10);
        log += Nmea(body, "\r\n");
        log += Nmea("GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1", "\r\n");
        std::snprintf(body, sizeof body, "GPGSV,2,1,08,04,40,083,%02d,05,17,308,41,09,07,344,39,12,67,123,45",
                      30 + (seed + i) % 20);
        log += Nmea(body, "\r\n");
        log += Nmea("GPGSV,2,2,08,24,22,111,33,25,05,210,,29,51,060,47,31,12,280,28", "\r\n");
        std::snprintf(body, sizeof body,
                      "GPRMC,%02d%02d%02d,A,48%02d.%03d,N,011%02d.%03d,E,%03d.%d,084.4,%02d0326,003.1,W", hh, mm, ss,
                      latMilli / 1000, latMilli % 1000, lonMilli / 1000, lonMilli % 1000, 20 + i % 30, i % 10,
                      1 + seed % 28);
        log += Nmea(body, "\r\n");
        std::snprintf(body, sizeof body, "GPVTG,%03d.%d,T,034.4,M,005.5,N,%03d.%d,K", 50 + i % 40, seed % 10,
                      10 + i % 50, i % 10);
        log += Nmea(body, "\r\n");
    }
    return log;
}

std::string MovingLog(int seconds) {
    std::string log;
    char body[128];
    for (int i = 0; i < seconds; ++i) {
        const int hh = i / 3600 % 24, mm = i / 60 % 60, ss = i % 60;
        const double lat = 4807.038 + i * 0.0137, lon = 1131.0 + i * 0.0291;
        const int snr = 20 + i % 31, sats = 4 + i % 8;
        std::snprintf(body, sizeof body, "GPGGA,%02d%02d%02d.00,%.4f,N,%.4f,E,1,%02d,%.2f,%.1f,M,46.9,M,,", hh, mm, ss,
                      lat, lon, sats, 0.8 + i % 17 * 0.1, 100.0 + i % 900 * 0.7);
        log += Nmea(body, "\r\n");
        std::snprintf(body, sizeof body, "GPGSA,A,%d,04,05,%02d,09,12,,,24,,,,,%.1f,%.1f,%.1f", 2 + i % 2, 1 + i % 32,
                      2.5 + i % 7 * 0.1, 1.3 + i % 5 * 0.1, 2.1 + i % 3 * 0.1);
        log += Nmea(body, "\r\n");
        for (int part = 1; part <= 3; ++part) {
            std::snprintf(body, sizeof body, "GPGSV,3,%d,12,%02d,%d,%03d,%d,%02d,40,083,46,11,17,308,%d,12,07,344,39",
                          part, part * 7, 10 + i % 80, i % 360, snr, part * 7 + 1, (snr + part) % 70);
            log += Nmea(body, "\r\n");
        }
        std::snprintf(body, sizeof body, "GPRMC,%02d%02d%02d.00,A,%.4f,N,%.4f,E,%05.1f,%05.1f,%02d0394,003.1,W", hh, mm,
                      ss, lat, lon, i % 50 * 1.3, i % 3600 * 0.1, 1 + i % 28);
        log += Nmea(body, "\r\n");
        std::snprintf(body, sizeof body, "GPVTG,%05.1f,T,034.4,M,%05.1f,N,010.2,K", i % 3600 * 0.1, i % 50 * 1.3);
        log += Nmea(body, "\r\n");
    }
    return log;
}

std::string WithBadChecksum(std::string log, int badLine) {
    size_t start = 0;
    for (int line = 1; line < badLine; ++line) start = log.find('\n', start) + 1;
    const size_t star = log.find('*', start);
    log[star + 1] = log[star + 1] == '0' ? '1' : '0';
    return log;
}

std::string Retalked(std::string_view log, std::string_view talker, std::initializer_list<std::string_view> kinds) {
    std::string out;
    for (size_t start = 0; start < log.size();) {
        size_t end = log.find('\n', start);
        end = end == std::string_view::npos ? log.size() : end + 1;
        const std::string_view line = log.substr(start, end - start);
        start = end;
        const size_t star = line.find('*');
        bool chosen = line.starts_with("$GP") && star != std::string_view::npos && line.size() >= 6;
        if (chosen && kinds.size() != 0) {
            chosen = false;
            for (std::string_view kind : kinds) chosen = chosen || line.substr(3, 3) == kind;
        }
        if (!chosen) {
            out += line;
            continue;
        }
        std::string body(talker);
        body += line.substr(3, star - 3);
        out += Nmea(body, line.substr(std::min(star + 3, line.size()))); // the line's own end
    }
    return out;
}

} // namespace sentrova_test
