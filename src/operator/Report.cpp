#include "operator/Report.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>

#include "operator/LanguageTables.h"
#include "platform/CodePageText.h"
#include "serials/SerialAccount.h"

namespace bpconf::op {

namespace {

using Standing = serials::SerialAccountLine::Standing;

// The outcomes a chart stacks, in the order it stacks them, with their colours.
enum Outcome { kFinished, kFailed, kEndedEarly, kClosed, kOutcomes };
const char* const kColour[kOutcomes] = {"#3a8d3f", "#c62828", "#ef8f00", "#8a8a8a"};

Outcome OutcomeOf(const std::string& outcome) {
    if (outcome == "finished")
        return kFinished;
    if (outcome == "ended early")
        return kEndedEarly;
    if (outcome == "closed")
        return kClosed;
    return kFailed;  // delivery failed, not confirmed
}

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian calendar).
std::int64_t DaysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = static_cast<int>(y - era * 400);
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int doe = static_cast<int>(z - era * 146097);
    const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp + (mp < 10 ? 3 : -9);
    y = static_cast<int>(yoe + era * 400) + (m <= 2);
}

std::string Number(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", v);
    return buf;
}

struct Labels {
    std::string lang;
    std::string L(const char* chinese, const char* english) const {
        return Pick(lang, chinese, english);
    }
};

// One table: a header row and rows of cells (already safe HTML).
std::string Table(const std::vector<std::string>& header,
                  const std::vector<std::vector<std::string>>& rows) {
    std::string t = "<table><thead><tr>";
    for (const auto& h : header)
        t += "<th>" + h + "</th>";
    t += "</tr></thead><tbody>";
    for (const auto& row : rows) {
        t += "<tr>";
        for (const auto& cell : row)
            t += "<td>" + cell + "</td>";
        t += "</tr>";
    }
    return t + "</tbody></table>";
}

// The hour of an entry in the station's zone: "2026-12-08 17".
std::string HourOf(const platform::UnitEntry& e, int offset) {
    return LocalTime(e.started, offset).substr(0, 13);
}

// Seconds a run took, from its entry's times; 0 when they cannot be read.
double RunSeconds(const platform::UnitEntry& e) {
    auto ms = [](const std::string& t) -> std::int64_t {
        int y, mo, d, h, mi, s, milli = 0;
        if (std::sscanf(t.c_str(), "%d-%d-%dT%d:%d:%d.%d", &y, &mo, &d, &h, &mi, &s, &milli) < 6)
            return -1;
        return ((DaysFromCivil(y, mo, d) * 24 + h) * 60 + mi) * 60000 + s * 1000 + milli;
    };
    const std::int64_t a = ms(e.started), b = ms(e.ended);
    return a >= 0 && b > a ? (b - a) / 1000.0 : 0;
}

struct HourCounts {
    int n[kOutcomes] = {0, 0, 0, 0};
    int Total() const { return n[0] + n[1] + n[2] + n[3]; }
};

// Units per hour of one station, stacked by outcome, with the pace one printer keeps.
std::string HourChart(const Labels& l, const std::vector<std::string>& hours,
                      const std::map<std::string, HourCounts>& counts, double pace) {
    int most = 1;
    for (const auto& [hour, c] : counts)
        most = std::max(most, c.Total());
    // The pace is drawn when it is on the scale of the bars (a line of emulators without pacing
    // runs far faster than any printer); the table below the chart names it always.
    const bool drawPace = pace > 0 && pace <= most * 3.0;
    const double top = std::max<double>(most, drawPace ? pace : 0) * 1.1;
    const int left = 44, bottom = 190, height = 160, width = 640;
    const double step = static_cast<double>(width) / std::max<std::size_t>(1, hours.size());
    std::ostringstream svg;
    svg << "<svg class=\"chart\" viewBox=\"0 0 700 240\" role=\"img\" width=\"700\" "
           "height=\"240\">";
    // Axes with their ticks.
    svg << "<line x1=\"" << left << "\" y1=\"" << bottom << "\" x2=\"" << left + width << "\" y2=\""
        << bottom << "\" class=\"axis\"/><line x1=\"" << left << "\" y1=\"" << bottom - height
        << "\" x2=\"" << left << "\" y2=\"" << bottom << "\" class=\"axis\"/>";
    for (int i = 0; i <= 4; ++i) {
        const double v = top * i / 4;
        const double y = bottom - height * i / 4.0;
        svg << "<text x=\"" << left - 4 << "\" y=\"" << y + 4 << "\" class=\"tick\" "
            << "text-anchor=\"end\">" << Number(v) << "</text>";
    }
    for (std::size_t i = 0; i < hours.size(); ++i) {
        const double x = left + step * i;
        double y = bottom;
        const auto found = counts.find(hours[i]);
        for (int o = 0; o < kOutcomes && found != counts.end(); ++o) {
            const double h = height * found->second.n[o] / top;
            if (h <= 0)
                continue;
            y -= h;
            svg << "<rect x=\"" << Number(x + step * 0.1) << "\" y=\"" << Number(y) << "\" width=\""
                << Number(std::max(1.0, step * 0.8)) << "\" height=\"" << Number(h) << "\" fill=\""
                << kColour[o] << "\"/>";
        }
        // Every label that has room: the hour of the day.
        if (hours.size() <= 24 || i % (hours.size() / 24 + 1) == 0) {
            svg << "<text x=\"" << Number(x + step / 2) << "\" y=\"" << bottom + 14
                << "\" class=\"tick\" text-anchor=\"middle\">" << HtmlText(hours[i].substr(11, 2))
                << "</text>";
        }
    }
    if (drawPace) {
        const double y = bottom - height * pace / top;
        svg << "<line x1=\"" << left << "\" y1=\"" << Number(y) << "\" x2=\"" << left + width
            << "\" y2=\"" << Number(y) << "\" class=\"pace\"/><text x=\"" << left + width
            << "\" y=\"" << Number(y - 4) << "\" class=\"tick\" text-anchor=\"end\">"
            << HtmlText(l.L("单台打印机的节拍 ", "one printer's pace ")) << Number(pace)
            << "</text>";
    }
    const std::string names[kOutcomes] = {l.L("完成", "finished"), l.L("失败", "failed"),
                                          l.L("提前结束", "ended early"), l.L("关闭", "closed")};
    for (int o = 0; o < kOutcomes; ++o) {
        svg << "<rect x=\"" << left + o * 150 << "\" y=\"222\" width=\"12\" height=\"12\" fill=\""
            << kColour[o] << "\"/><text x=\"" << left + o * 150 + 16 << "\" y=\"232\" "
            << "class=\"tick\">" << HtmlText(names[o]) << "</text>";
    }
    svg << "<text x=\"4\" y=\"" << bottom - height - 8 << "\" class=\"tick\">"
        << HtmlText(l.L("台/小时", "units per hour")) << "</text></svg>";
    return svg.str();
}

const char* const kStyle =
    "body{font-family:sans-serif;margin:24px;color:#222}h1{font-size:22px}"
    "h2{font-size:17px;margin-top:28px;border-bottom:1px solid #ccc}"
    "table{border-collapse:collapse;margin:8px 0 16px;font-size:12px}"
    "td,th{border:1px solid #bbb;padding:2px 6px;text-align:left;vertical-align:top}"
    "th{background:#eee}.big{display:inline-block;margin:0 18px 10px 0}"
    ".big b{display:block;font-size:26px}.bad{background:#fdd}.stale{background:#fc8;padding:8px}"
    ".axis{stroke:#444}.pace{stroke:#555;stroke-dasharray:4 3}.tick{font-size:10px;fill:#333}"
    "@page{size:A4;margin:12mm}@media print{body{margin:0}.chart{max-width:100%;height:auto}}";

}  // namespace

std::string HtmlText(const std::string& text) {
    std::string out;
    for (char c : platform::ReplaceMalformedUtf8(text)) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            // Never "src=" or "href=" in the page's text either: a reader (or a check) looking
            // for references outside the page finds none.
            case '=':
                out += "&#61;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

int UtcOffsetMinutes(const platform::LocalDateTime& local, std::int64_t utcMilliseconds) {
    const std::int64_t localMinutes =
        (DaysFromCivil(local.year, local.month, local.day) * 24 + local.hour) * 60 + local.minute;
    const std::int64_t diff = localMinutes - utcMilliseconds / 60000;
    return static_cast<int>((diff >= 0 ? diff + 7 : diff - 7) / 15 * 15);
}

std::string ZoneName(int offset) {
    char buf[32];
    const int a = offset < 0 ? -offset : offset;
    std::snprintf(buf, sizeof buf, "UTC%c%02d:%02d", offset < 0 ? '-' : '+', a / 60, a % 60);
    return buf;
}

std::string LocalTime(const std::string& utc, int offset) {
    int y, mo, d, h, mi;
    if (std::sscanf(utc.c_str(), "%d-%d-%dT%d:%d", &y, &mo, &d, &h, &mi) != 5)
        return utc;
    std::int64_t minutes = (DaysFromCivil(y, mo, d) * 24 + h) * 60 + mi + offset;
    std::int64_t days = minutes / 1440, rest = minutes % 1440;
    if (rest < 0) {
        rest += 1440;
        --days;
    }
    CivilFromDays(days, y, mo, d);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d", y, mo, d,
                  static_cast<int>(rest / 60), static_cast<int>(rest % 60));
    return buf;
}

namespace {

// The months the entries and the ledger name, each with its account.
std::map<std::string, serials::SerialAccount> Accounts(const ReportInput& in) {
    std::map<std::string, std::vector<platform::LedgerEntry>> rows;
    std::set<std::string> months;
    for (const auto& e : in.entries) {
        if (e.serial.size() > 6)
            months.insert(e.serial.substr(0, 6));
    }
    for (const auto& r : in.ledger) {
        if (r.serial.size() > 6) {
            months.insert(r.serial.substr(0, 6));
            rows[r.serial.substr(0, 6)].push_back(r);
        }
    }
    std::map<std::string, serials::SerialAccount> accounts;
    for (const auto& m : months)
        accounts[m] = serials::AccountFor(m, in.entries, rows[m], in.settings);
    return accounts;
}

// The headline from the months' accounts already made (the page makes them once).
ReportHeadline HeadlineFrom(const ReportInput& in,
                            const std::map<std::string, serials::SerialAccount>& accounts) {
    ReportHeadline h;
    for (const auto& e : in.entries) {
        ++h.units;
        switch (OutcomeOf(e.outcome)) {
            case kFinished:
                ++h.finished;
                break;
            case kFailed:
                ++h.failed;
                break;
            case kEndedEarly:
                ++h.endedEarly;
                break;
            default:
                ++h.closed;
                break;
        }
    }
    for (const auto& [month, a] : accounts) {
        h.stamped += a.Count(Standing::OnOneUnit) + a.Count(Standing::ReuseConfirmed) +
                     a.Count(Standing::Duplicate);
        h.voided += a.Count(Standing::Void);
        h.reserved += a.Count(Standing::Reserved);
        h.duplicates += a.Count(Standing::Duplicate);
    }
    return h;
}

}  // namespace

ReportHeadline HeadlineOf(const ReportInput& in) {
    return HeadlineFrom(in, Accounts(in));
}

std::string RenderReport(const ReportInput& in) {
    const Labels l{in.language};
    const int off = in.utcOffsetMinutes;
    const std::string zone = ZoneName(off);
    std::ostringstream p;
    p << "<!DOCTYPE html><html lang=\"" << (IsChinese(in.language) ? "zh-CN" : "en")
      << "\"><head><meta charset=\"utf-8\">";
    if (in.refreshSeconds > 0)
        p << "<meta http-equiv=\"refresh\" content=\"" << in.refreshSeconds << "\">";
    p << "<title>" << HtmlText(l.L("生产线报告", "Line report")) << "</title><style>" << kStyle
      << "</style></head><body>";
    p << "<h1>" << HtmlText(l.L("生产线报告", "Line report")) << "</h1><p>"
      << HtmlText(l.L("记录：", "Record: ") + in.record) << "<br>"
      << HtmlText(l.L("范围：", "Period: ") + in.filter) << "<br>"
      << HtmlText(l.L("生成时间：", "Made: ") + LocalTime(in.generatedAt, off) +
                  (in.generatedAt.size() >= 19 ? ":" + in.generatedAt.substr(17, 2) : "") + " (" +
                  zone + ")")
      << "</p>";
    if (in.stale) {
        p << "<p class=\"stale\">"
          << HtmlText(l.L("记录无法读取，此页为最后一次成功生成的结果：",
                          "The record cannot be read; this page is the last one made: ") +
                      *in.stale)
          << "</p>";
    }

    // The headline.
    const std::map<std::string, serials::SerialAccount> accounts = Accounts(in);
    const ReportHeadline h = HeadlineFrom(in, accounts);
    const std::pair<std::string, int> big[] = {
        {l.L("已配置", "units configured"), h.units},
        {l.L("完成", "finished"), h.finished},
        {l.L("失败", "failed"), h.failed},
        {l.L("提前结束", "ended early"), h.endedEarly},
        {l.L("关闭", "closed"), h.closed},
        {l.L("已写入序列号", "serials stamped"), h.stamped},
        {l.L("作废", "void"), h.voided},
        {l.L("保留未确认", "left reserved"), h.reserved},
        {l.L("重复序列号（应为 0）", "duplicates (must read 0)"), h.duplicates}};
    p << "<h2>" << HtmlText(l.L("概览", "At a glance")) << "</h2><div id=\"headline\">";
    for (const auto& [name, value] : big) {
        const bool bad = name == big[8].first && value != 0;
        p << "<span class=\"big" << (bad ? " bad" : "") << "\"><b>" << value << "</b>"
          << HtmlText(name) << "</span>";
    }
    p << "</div>";

    // Units per hour per station.
    std::map<std::string, std::map<std::string, HourCounts>> perStation;
    std::set<std::string> hourSet;
    std::vector<double> seconds;
    for (const auto& e : in.entries) {
        const std::string hour = HourOf(e, off);
        hourSet.insert(hour);
        ++perStation[e.station][hour].n[OutcomeOf(e.outcome)];
        if (e.outcome == "finished" && RunSeconds(e) > 0)
            seconds.push_back(RunSeconds(e));
    }
    double pace = 0;
    if (!seconds.empty()) {
        std::nth_element(seconds.begin(), seconds.begin() + seconds.size() / 2, seconds.end());
        pace = 3600.0 / seconds[seconds.size() / 2];
    }
    const std::vector<std::string> hours(hourSet.begin(), hourSet.end());
    p << "<h2>" << HtmlText(l.L("每小时每工位台数（", "Units per hour per station (") + zone + ")")
      << "</h2>";
    for (const auto& [station, counts] : perStation) {
        p << "<h3>" << HtmlText(l.L("工位 ", "Station ") + station) << "</h3>"
          << HourChart(l, hours, counts, pace);
        std::vector<std::vector<std::string>> rows;
        for (const auto& [hour, c] : counts) {
            rows.push_back({HtmlText(hour + ":00"), std::to_string(c.n[kFinished]),
                            std::to_string(c.n[kFailed]), std::to_string(c.n[kEndedEarly]),
                            std::to_string(c.n[kClosed]), std::to_string(c.Total())});
        }
        if (pace > 0) {
            p << "<p>"
              << HtmlText(l.L("单台打印机的节拍（按完成一台的中位时间）：",
                              "One printer's pace (from the median time of a finished "
                              "unit): ") +
                          Number(pace) + l.L(" 台/小时", " units per hour"))
              << "</p>";
        }
        p << Table({HtmlText(l.L("小时", "hour")), HtmlText(l.L("完成", "finished")),
                    HtmlText(l.L("失败", "failed")), HtmlText(l.L("提前结束", "ended early")),
                    HtmlText(l.L("关闭", "closed")), HtmlText(l.L("合计", "units"))},
                   rows);
    }

    // Failures by cause, and the last ones.
    std::map<std::string, int> causes;
    std::vector<const platform::UnitEntry*> failures;
    for (const auto& e : in.entries) {
        if (e.outcome == "finished")
            continue;
        failures.push_back(&e);
        std::string cause = e.detail;
        for (const auto& m : e.messages) {
            if (m.result != "done" && m.error != 0) {
                cause = "error " + std::to_string(m.error) + ": " + m.errorText;
                break;
            }
        }
        ++causes[cause.empty() ? e.outcome : cause];
    }
    p << "<h2>" << HtmlText(l.L("失败原因", "Failures by cause")) << "</h2>";
    std::vector<std::vector<std::string>> causeRows;
    for (const auto& [cause, n] : causes)
        causeRows.push_back({HtmlText(cause), std::to_string(n)});
    p << Table({HtmlText(l.L("原因", "cause")), HtmlText(l.L("台数", "units"))}, causeRows);
    std::sort(failures.begin(), failures.end(),
              [](const auto* a, const auto* b) { return a->started > b->started; });
    if (failures.size() > 20)
        failures.resize(20);
    std::vector<std::vector<std::string>> lastRows;
    for (const auto* e : failures) {
        lastRows.push_back({HtmlText(LocalTime(e->started, off)), HtmlText(e->station),
                            HtmlText(e->target), HtmlText(e->serial), HtmlText(e->outcome),
                            HtmlText(e->detail)});
    }
    p << "<h3>" << HtmlText(l.L("最近的失败", "The last failures")) << "</h3>"
      << Table({HtmlText(l.L("时间", "time")), HtmlText(l.L("工位", "station")),
                HtmlText(l.L("打印机", "printer")), HtmlText(l.L("序列号", "serial number")),
                HtmlText(l.L("结果", "outcome")), HtmlText(l.L("原因", "why"))},
               lastRows);

    // The serial numbers of each month.
    p << "<h2>" << HtmlText(l.L("序列号", "Serial numbers")) << "</h2>";
    for (const auto& [month, a] : accounts) {
        std::vector<std::string> onUnits;
        std::vector<std::vector<std::string>> gaps, reuses;
        for (const auto& line : a.lines) {
            if (line.standing == Standing::OnOneUnit || line.standing == Standing::ReuseConfirmed ||
                line.standing == Standing::Duplicate)
                onUnits.push_back(line.serial);
            if (const std::string why = serials::GapText(line); !why.empty())
                gaps.push_back({HtmlText(line.serial), HtmlText(why)});
            if (line.standing == Standing::ReuseConfirmed || line.standing == Standing::Duplicate) {
                std::string units;
                for (const auto& u : line.units)
                    units += (units.empty() ? "" : "; ") + serials::UnitText(u);
                reuses.push_back({HtmlText(line.serial),
                                  HtmlText(line.standing == Standing::Duplicate
                                               ? l.L("重复（未确认）", "duplicate (not confirmed)")
                                               : l.L("已确认重用", "reuse confirmed")),
                                  HtmlText(units)});
            }
        }
        p << "<h3>" << HtmlText(month) << "</h3><p>"
          << HtmlText(l.L("已写入：", "On units: ") + serials::SerialRanges(onUnits)) << "</p>"
          << Table({HtmlText(l.L("缺号", "gap")), HtmlText(l.L("原因", "why"))}, gaps)
          << Table({HtmlText(l.L("序列号", "serial number")), HtmlText(l.L("情况", "standing")),
                    HtmlText(l.L("台", "units"))},
                   reuses);
    }

    // Settings drift: the values each station sent, and the packages used.
    std::map<std::string, std::map<std::string, std::map<std::string, int>>> sent;
    std::set<std::string> stations;
    std::map<std::pair<std::string, std::string>, int> packages;
    for (const auto& e : in.entries) {
        stations.insert(e.station);
        if (!e.packageName.empty())
            ++packages[{e.packageName, e.packageSha256}];
        for (const auto& m : e.messages) {
            const std::string code = m.message.substr(0, m.message.find(' '));
            if (m.result != "done" || code == "STSN" || code == "PROBE" || code == "DLSF" ||
                m.message.find(' ') == std::string::npos)
                continue;
            ++sent[code][e.station][m.message.substr(code.size() + 1)];
        }
    }
    p << "<h2>" << HtmlText(l.L("各工位发送的设置", "Settings each station sent")) << "</h2>";
    std::vector<std::string> header = {HtmlText(l.L("设置", "setting"))};
    for (const auto& s : stations)
        header.push_back(HtmlText(s));
    std::vector<std::vector<std::string>> drift;
    for (const auto& [code, byStation] : sent) {
        // The value most units got across the line; a station that sent another stands out.
        std::map<std::string, int> overall;
        for (const auto& [station, values] : byStation) {
            for (const auto& [v, n] : values)
                overall[v] += n;
        }
        const std::string common =
            std::max_element(overall.begin(), overall.end(), [](const auto& a, const auto& b) {
                return a.second < b.second;
            })->first;
        std::vector<std::string> row = {HtmlText(code)};
        for (const auto& s : stations) {
            std::string cell;
            bool other = false;
            if (auto it = byStation.find(s); it != byStation.end()) {
                for (const auto& [v, n] : it->second) {
                    cell +=
                        (cell.empty() ? "" : ", ") + HtmlText(v) + " &times;" + std::to_string(n);
                    other = other || v != common;
                }
            }
            row.push_back(other ? "<span class=\"bad\">" + cell + "</span>" : cell);
        }
        drift.push_back(row);
    }
    p << Table(header, drift);
    std::vector<std::vector<std::string>> packageRows;
    for (const auto& [key, n] : packages)
        packageRows.push_back({HtmlText(key.first), HtmlText(key.second), std::to_string(n)});
    p << "<h3>" << HtmlText(l.L("更新包", "Update packages")) << "</h3>"
      << Table({HtmlText(l.L("文件", "file")), "SHA-256", HtmlText(l.L("台数", "units"))},
               packageRows);
    p << "</body></html>\n";
    return p.str();
}

}  // namespace bpconf::op
