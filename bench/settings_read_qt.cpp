// What a settings read costs, in microseconds per call and per KB of the file: the room windows
// read several keys on every poll, and nothing is cached. ReadSetting of one key from a
// realistic zarava.ini (every key the display uses, Japanese titles and messages, code page 932,
// about 4 KB), beside QSettings reading the same file and a plain scan of the same bytes (read
// the file, find the section and the key with string searches: the least any reader of the
// file does). A second file holds one 64 KB section of the issuer's with the key asked for on
// its last line, the longest walk a read can take. The three run interleaved in random order,
// five times over; the figures are medians. Target: ReadSetting at most twice the plain scan
// of the same file, 4 KB and 64 KB alike.
//
// The reads cycle through copies of the file, so that no reader can serve a file it has seen
// before from its own cache (QSettings keeps recently parsed files); all three pay the same
// path lookups.

#include "engine/Clock.h"
#include "settings/SettingsStore.h"
#include "text/Cp932.h"

#include <QSettings>
#include <QString>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int kCopies = 256;
const char* const kSection = "DISPLAY INFOMATION";
const char* const kKey = "MSSG 4";

// The key exists, so ReadSetting never pauses; a pause would be a bug worth seeing in the time.
class NoSleepClock final : public zarava::Clock {
public:
    zarava::LocalDateTime Now() const override { return {2024, 1, 8, 9, 0, 0, 0}; }
    void Sleep(int) override {}
};

std::string SettingsText() {
    std::string t;
    t += "[DAZUZE INFOMATION]\r\nSHINSATSU=3\r\n";
    const char* titles[] = {"内科　第一診察室", "内科　第二診察室",     "小児科",
                            "整形外科",         "皮膚科・アレルギー科", "眼科"};
    for (int room = 2; room <= 6; ++room) {
        t += "WEEK" + std::to_string(room) + "=" + (room % 2 == 0 ? "62" : "127") + "\r\n";
    }
    for (int room = 1; room <= 6; ++room) {
        t += "DAZUZE" + std::to_string(room) + "=" + titles[room - 1] + "\r\n";
    }
    for (int room = 1; room <= 6; ++room) {
        t += std::to_string(room) + "TIME CALC=" + std::to_string(room + 3) + "\r\n";
    }
    t += "\r\n[DISPLAY INFOMATION]\r\nTYPE=1\r\n"
         "MSSG 3=本日はご来院いただき、誠にありがとうございます。順番が参りましたら番号でお呼び"
         "いたします。お呼び出しの際は受付票をお持ちのうえ、表示された窓口までお越しください。\r\n"
         "TIME=1\r\nNEWS=1\r\nMESSAGE INFO=31\r\nMSG TYPE=1\r\n"
         "MSSG 4=午前の受付は終了いたしました。午後の受付は１４時からです。\r\n"
         "MSSG 5=ただいま大変混み合っております。恐れ入りますが、しばらくお待ちください。\r\n"
         "COUNTER=番窓口\r\n";
    for (int room = 1; room <= 6; ++room) {
        t += std::to_string(room) + "CALL SOUND=0\r\n";
    }
    t += "TALK SELECT=1\r\n\r\n[USER INFOMATION]\r\nTODAY=20240108\r\nFORM=7\r\n";
    t += "\r\n[ZARAVA1 INFOMATION]\r\nSHOP COLOR=2\r\nBAR CODE=1\r\n";
    // The issuer keeps its own keys in the same file; the display never reads them.
    t += "\r\n[ISSUER INFOMATION]\r\n";
    for (int n = 1; zarava::Utf8ToCp932(t).value().size() < 4000; ++n) {
        t += "PRINT MSG" + std::to_string(n) +
             "=受付番号をお確かめのうえ、お呼び出しまで待合室でお待ちください。\r\n";
    }
    return t;
}

// One section of about 64 KB of the issuer's lines; the key read is its last.
std::string LongSectionText() {
    std::string t = "[DISPLAY INFOMATION]\r\nTYPE=1\r\n\r\n[ISSUER INFOMATION]\r\n";
    for (int n = 1; t.size() < 65536; ++n) {
        t += "PRINT MSG" + std::to_string(n) + " = \x8e\xf3\x95\x74\x94\xd4\x8d\x86 " +
             std::to_string(n * 7919) + " \x82\xa8\x91\xd2\x82\xbf\x82\xad\x82\xbe\r\n";
    }
    return t + "LAST KEY=found\r\n\r\n[USER INFOMATION]\r\nFORM=7\r\n";
}

struct Fixture {
    std::string folder;
    std::vector<std::string> files;
    std::size_t bytes = 0;

    explicit Fixture(const std::string& text) {
        char pattern[] = "/tmp/zarava-bench-XXXXXX";
        folder = mkdtemp(pattern);
        bytes = text.size();
        for (int i = 0; i < kCopies; ++i) {
            files.push_back(folder + "/zarava" + std::to_string(i) + ".ini");
            std::ofstream(files.back(), std::ios::binary) << text;
        }
    }
    ~Fixture() { std::filesystem::remove_all(folder); }
};

Fixture& Files() {
    static Fixture fixture(zarava::Utf8ToCp932(SettingsText()).value());
    return fixture;
}

Fixture& LongFiles() {
    static Fixture fixture(LongSectionText());
    return fixture;
}

// Reads the file and finds the key's line in its section with plain string searches, without
// any of the profile rules (case, blanks, comments, code page).
void PlainScan(benchmark::State& state, const std::vector<std::string>& files, const char* section,
               const char* key) {
    const std::string header = std::string("\r\n[") + section + "]";
    const std::string line = std::string("\r\n") + key + "=";
    std::string bytes;
    std::size_t i = 0;
    for (auto _ : state) {
        const int fd = ::open(files[i++ % kCopies].c_str(), O_RDONLY | O_CLOEXEC);
        bytes.resize(1 << 17);
        ssize_t total = 0;
        for (ssize_t n; (n = ::read(fd, bytes.data() + total, bytes.size() - total)) > 0;) {
            total += n;
        }
        ::close(fd);
        const std::string_view text(bytes.data(), static_cast<std::size_t>(total));
        const std::size_t at = text.find(line, text.find(header));
        std::string_view value;
        if (at != std::string_view::npos) {
            value = text.substr(at + line.size());
            value = value.substr(0, value.find('\r'));
        }
        benchmark::DoNotOptimize(value);
    }
}

void Read(benchmark::State& state, const std::vector<std::string>& files, const char* section,
          const char* key) {
    NoSleepClock clock;
    std::size_t i = 0;
    for (auto _ : state) {
        std::string value = zarava::ReadSetting(clock, section, key, files[i++ % kCopies]);
        benchmark::DoNotOptimize(value);
    }
}

void BM_PlainScan(benchmark::State& state) {
    PlainScan(state, Files().files, kSection, kKey);
}

void BM_ReadSetting(benchmark::State& state) {
    Read(state, Files().files, kSection, kKey);
}

void BM_PlainScan64K(benchmark::State& state) {
    PlainScan(state, LongFiles().files, "ISSUER INFOMATION", "LAST KEY");
}

void BM_ReadSetting64K(benchmark::State& state) {
    Read(state, LongFiles().files, "ISSUER INFOMATION", "LAST KEY");
}

void BM_QSettings(benchmark::State& state) {
    const auto& files = Files().files;
    const QString key = QString(kSection) + "/" + kKey;
    std::size_t i = 0;
    for (auto _ : state) {
        QSettings settings(QString::fromStdString(files[i++ % kCopies]), QSettings::IniFormat);
        QString value = settings.value(key).toString();
        benchmark::DoNotOptimize(value);
    }
}

BENCHMARK(BM_PlainScan);
BENCHMARK(BM_ReadSetting);
BENCHMARK(BM_QSettings);
BENCHMARK(BM_PlainScan64K);
BENCHMARK(BM_ReadSetting64K);

// Prints the usual table and keeps each benchmark's processor time per read, the median of the
// repetitions (on a busy machine the wall-clock time mostly measures the wait for a processor).
class MedianReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> nsPerRead;

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (!run.error_occurred && run.run_type == Run::RT_Aggregate &&
                run.aggregate_name == "median") {
                nsPerRead[run.run_name.function_name] = run.GetAdjustedCPUTime();
            }
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    // Interleaved, repeated, medians: unless the command line says otherwise.
    std::vector<char*> args(argv, argv + argc);
    char repetitions[] = "--benchmark_repetitions=5";
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    char aggregates[] = "--benchmark_report_aggregates_only=true";
    args.insert(args.begin() + 1, {repetitions, interleave, aggregates});
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    NoSleepClock clock;
    const std::string sample = zarava::ReadSetting(clock, kSection, kKey, Files().files[0]);
    const QSettings qt(QString::fromStdString(Files().files[0]), QSettings::IniFormat);
    std::printf("zarava.ini: %zu bytes; %s / %s = %s (QSettings finds it: %s; it takes the "
                "file as UTF-8, so its text is garbled)\n",
                Files().bytes, kSection, kKey, sample.c_str(),
                qt.contains(QString(kSection) + "/" + kKey) ? "yes" : "no");
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto row = [&](const char* what, const char* name, std::size_t bytes) {
        const double us = reporter.nsPerRead[name] / 1000;
        std::printf("  %-34s %8.2f us a call %8.3f us a KB\n", what, us,
                    us / (static_cast<double>(bytes) / 1024));
        return us;
    };
    std::printf("medians of the processor time:\n");
    const double scan = row("plain scan, 4 KB", "BM_PlainScan", Files().bytes);
    const double ours = row("ReadSetting, 4 KB", "BM_ReadSetting", Files().bytes);
    row("QSettings, 4 KB", "BM_QSettings", Files().bytes);
    const double scan64 =
        row("plain scan, key at the end of 64 KB", "BM_PlainScan64K", LongFiles().bytes);
    const double ours64 =
        row("ReadSetting, key at the end of 64 KB", "BM_ReadSetting64K", LongFiles().bytes);
    if (scan > 0 && scan64 > 0) {
        std::printf("ReadSetting against the plain scan: %.2fx (4 KB), %.2fx (64 KB); target at "
                    "most 2x: %s\n",
                    ours / scan, ours64 / scan64,
                    ours <= 2 * scan && ours64 <= 2 * scan64 ? "met" : "missed");
    }
    benchmark::Shutdown();
    return 0;
}
