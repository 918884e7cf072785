#include "host/commands/progress.h"

#include <fmt/format.h>

#include <chrono>
#include <cstdio>

#include "platform/barre.h"

namespace vkhost {

namespace {

using Clock = std::chrono::steady_clock;

// The bar being drawn: its estimate restarts whenever a bar or a range starts again.
struct Drawn {
    const CBarre* bar = nullptr;
    int minimum = 0, maximum = 0, position = 0;
    Clock::time_point start, lastDrawn;
} drawn;

void Draw(const CBarre& bar) {
    const Clock::time_point now = Clock::now();
    const bool restarted = &bar != drawn.bar || bar.Minimum() != drawn.minimum ||
                           bar.Maximum() != drawn.maximum || bar.Position() < drawn.position;
    if (restarted)
        drawn = Drawn{&bar, bar.Minimum(), bar.Maximum(), bar.Position(), now, Clock::time_point()};
    drawn.position = bar.Position();
    // At most ten lines a second: a terminal redrawn at every asset slows a long run down.
    const bool finished = bar.Position() == bar.Maximum();
    if (!restarted && !finished && now - drawn.lastDrawn < std::chrono::milliseconds(100)) return;
    drawn.lastDrawn = now;
    const double elapsed = std::chrono::duration<double>(now - drawn.start).count();
    const std::string line = ProgressLine(bar.Caption(), bar.Message(), bar.Position() - bar.Minimum(),
                                          bar.Maximum() - bar.Minimum(), elapsed);
    std::fprintf(stderr, "\r%s\x1b[K", line.c_str());
    std::fflush(stderr);
}

// The line is cleared: what the command prints next starts on a clean line.
void Done(const CBarre&) {
    std::fputs("\r\x1b[K", stderr);
    std::fflush(stderr);
    drawn = Drawn();
}

}  // namespace

std::string ProgressLine(const std::string& caption, const std::string& message, long long done,
                         long long total, double elapsedSeconds) {
    std::string line = caption;
    if (!message.empty()) line += (line.empty() ? "" : " — ") + message;
    if (total <= 0) return line;
    line += fmt::format("  {}/{}  {:3} %", done, total, done * 100 / total);
    if (done > 0 && done < total && elapsedSeconds >= 1) {
        const long long left =
            static_cast<long long>(elapsedSeconds * double(total - done) / double(done) + 0.5);
        line += fmt::format("  reste {}:{:02}", left / 60, left % 60);
    }
    return line;
}

void UseProgressLine() {
    CBarre::SetRenderer({Draw, Done});
}

}  // namespace vkhost
