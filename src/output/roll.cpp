#include "output/roll.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <utility>
#include <vector>

#include "base/byte_reader.h"
#include "base/limits.h"
#include "base/message_table.h"
#include "base/messages.h"
#include "base/replace_file.h"
#include "base/stop_signals.h"

namespace {

struct RollNote {
    uint32_t start;
    uint32_t end;
    uint8_t key;
    uint8_t velocity;
};

// One lane: the notes of one channel of one track.
struct Lane {
    uint32_t trackNumber;
    std::string trackName;
    int channel;
    std::vector<RollNote> notes;
};

struct Signature {
    uint32_t clock;
    uint8_t numerator;
    uint8_t denominatorExp;
};

struct Tempo {
    uint32_t clock;
    uint32_t microsPerQuarter;
};

std::string xmlText(const char *text)
{
    // Names may hold bytes of any encoding; what is not well-formed UTF-8 or
    // not allowed in XML becomes '?', so the drawing always parses.
    std::string out;
    const auto *s = (const unsigned char *)text;
    while (*s) {
        unsigned char c = *s;
        int follow = c < 0x80 ? 0 : (c & 0xe0) == 0xc0 ? 1 : (c & 0xf0) == 0xe0 ? 2 : (c & 0xf8) == 0xf0 ? 3 : -1;
        bool valid = follow >= 0 && !(follow == 1 && c < 0xc2);
        for (int i = 1; valid && i <= follow; ++i)
            valid = (s[i] & 0xc0) == 0x80;
        if (!valid || (c < 0x20 && c != '\t')) {
            out += '?';
            ++s;
            continue;
        }
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out.append((const char *)s, (size_t)follow + 1);
        }
        s += follow + 1;
    }
    return out;
}

void appendf(std::string &out, const char *format, ...) __attribute__((format(printf, 2, 3)));
void appendf(std::string &out, const char *format, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, format);
    int n = vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n > 0) out.append(buffer, std::min((size_t)n, sizeof buffer - 1));
}

// Soft notes are blue, loud ones red.
void velocityColour(uint8_t velocity, char (&out)[8])
{
    int v = std::min<int>(velocity, 127);
    int red = 255 * v / 127;
    int blue = 255 - red;
    int green = 40 + 80 * std::min(v, 127 - v) / 64;
    snprintf(out, sizeof out, "#%02x%02x%02x", red, green, blue);
}

}  // namespace

struct mmroll {
    int32_t division;
    std::vector<Lane> lanes;
    std::vector<Signature> signatures;
    std::vector<Tempo> tempos;
    uint32_t endClock = 0;

    double x(uint32_t clock) const { return MM_ROLL_LEFT + (double)clock * MM_ROLL_QUARTER / division; }
};

void MMrollDelete::operator()(mmroll *roll) const { delete roll; }

MMrollPtr MMroll_new(int32_t division) { return MMrollPtr(new mmroll{division > 0 ? division : 960, {}, {}, {}, 0}); }

void MMroll_addTrack(mmroll *roll, const mmtrk *track, bool controlTrack, const uint8_t *events, size_t length)
{
    std::vector<Lane> lanes(16);
    // Notes sounding, per channel and key; a note-off ends the earliest.
    std::map<std::pair<int, int>, std::deque<std::pair<uint32_t, uint8_t>>> sounding;
    // A truncated event ends the reading (the writer never makes one).
    MMbyteReader in{events, 0, length};
    uint32_t clock = 0;
    uint8_t running = 0;
    auto noteOff = [&](int channel, int key) {
        auto &open = sounding[{channel, key}];
        if (open.empty()) return;
        lanes[channel].notes.push_back({open.front().first, clock, (uint8_t)key, open.front().second});
        open.pop_front();
    };
    bool ended = false;
    while (!ended && !in.done()) {
        uint32_t delta;
        uint8_t status;
        if (!in.quantity(&delta) || !in.byte(&status)) break;
        clock += delta;
        if (status >= 0xf0) {
            running = 0;
            uint8_t type = 0;
            if (status == 0xff && !in.byte(&type)) break;
            uint32_t size;
            const uint8_t *data;
            if (!in.quantity(&size) || !(data = in.take(size))) break;
            if (status != 0xff) continue;
            if (type == 0x2f) ended = true;
            else if (controlTrack && type == 0x51 && size >= 3)
                roll->tempos.push_back({clock, (uint32_t)data[0] << 16 | data[1] << 8 | data[2]});
            else if (controlTrack && type == 0x58 && size >= 2)
                roll->signatures.push_back({clock, data[0], data[1]});
            continue;
        }
        uint8_t data[2] = {status, 0};
        if (status >= 0x80) {
            running = status;
            if (!in.byte(&data[0])) break;
        } else if (!running) {
            break;
        }
        int kind = running & 0xf0, channel = running & 0x0f;
        if (kind != 0xc0 && kind != 0xd0 && !in.byte(&data[1])) break;
        if (kind == 0x90 && data[1] > 0)
            sounding[{channel, data[0]}].emplace_back(clock, data[1]);
        else if (kind == 0x80 || kind == 0x90)
            noteOff(channel, data[0]);
    }
    // Notes still sounding at the end of the track last to its end.
    for (auto &[where, open] : sounding)
        while (!open.empty()) noteOff(where.first, where.second);
    roll->endClock = std::max(roll->endClock, clock);
    for (int channel = 0; channel < 16; ++channel) {
        Lane &lane = lanes[channel];
        if (lane.notes.empty()) continue;
        std::stable_sort(lane.notes.begin(), lane.notes.end(),
                         [](const RollNote &a, const RollNote &b) { return a.start < b.start; });
        lane.trackNumber = track->number;
        lane.trackName = track->name;
        lane.channel = channel;
        roll->lanes.push_back(std::move(lane));
    }
}

namespace {

// Bar lines and measure numbers from the control track's signatures (4/4
// until the first); a signature begins a new measure at its clock.
void drawMeasures(const mmroll *roll, std::string &svg, double bottom)
{
    svg += "<g class=\"measures\" stroke=\"#b0b0b0\" stroke-width=\"1\">\n";
    Signature current{0, 4, 2};
    size_t next = 0;
    uint64_t start = 0;
    int measure = 1;
    double lastLabel = -1e9;
    while (start <= roll->endClock) {
        while (next < roll->signatures.size() && roll->signatures[next].clock <= start)
            current = roll->signatures[next++];
        uint64_t end = next < roll->signatures.size() ? roll->signatures[next].clock : (uint64_t)roll->endClock + 1;
        uint64_t length = MM_measureLength((uint32_t)roll->division, current.numerator, current.denominatorExp);
        // Bars closer than a 32nd note are not drawn: the stretch would be a smear.
        if (length * 8 < (uint64_t)roll->division) {
            start = end;
            continue;
        }
        for (; start < end; start += length, ++measure) {
            double x = roll->x((uint32_t)start);
            appendf(svg, "<line class=\"measure\" x1=\"%.2f\" y1=\"%d\" x2=\"%.2f\" y2=\"%.2f\"/>\n", x,
                    MM_ROLL_TOP - 14, x, bottom);
            if (x - lastLabel >= 24) {
                appendf(svg, "<text x=\"%.2f\" y=\"%d\" stroke=\"none\" fill=\"#606060\">%d</text>\n", x + 2,
                        MM_ROLL_TOP - 18, measure);
                lastLabel = x;
            }
        }
    }
    svg += "</g>\n";
}

void drawTempos(const mmroll *roll, std::string &svg)
{
    svg += "<g class=\"tempos\" fill=\"#c05000\">\n";
    for (const Tempo &t : roll->tempos) {
        double x = roll->x(t.clock);
        double bpm = t.microsPerQuarter ? 60000000.0 / t.microsPerQuarter : 0;
        appendf(svg, "<path class=\"tempo\" d=\"M%.2f %d l4 -6 h-8 z\"/>\n", x, MM_ROLL_TOP - 2);
        char shown[32];
        snprintf(shown, sizeof shown, "%.2f", bpm);
        char *last = shown + strlen(shown) - 1;   // 120.00 shows as 120, 92.50 as 92.5
        while (*last == '0') *last-- = '\0';
        if (*last == '.') *last = '\0';
        appendf(svg, "<text x=\"%.2f\" y=\"%d\" data-bpm=\"%.2f\">%s bpm</text>\n", x + 5, MM_ROLL_TOP - 4, bpm,
                shown);
    }
    svg += "</g>\n";
}

}  // namespace

std::string MMroll_svg(const mmroll *roll, const char *title)
{
    // Each lane spans the keys its notes use, highest at the top.
    double height = MM_ROLL_TOP;
    std::vector<std::pair<int, int>> keyRange;
    for (const Lane &lane : roll->lanes) {
        int low = 127, high = 0;
        for (const RollNote &n : lane.notes) {
            low = std::min<int>(low, n.key);
            high = std::max<int>(high, n.key);
        }
        keyRange.emplace_back(low, high);
        height += MM_ROLL_LANE_HEAD + (high - low + 1) * MM_ROLL_KEY;
    }
    double bottom = height;
    height += 10;
    double width = roll->x(roll->endClock) + 20;

    std::string svg;
    svg += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    appendf(svg,
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" viewBox=\"0 0 %.0f %.0f\" "
            "font-family=\"sans-serif\" font-size=\"10\" data-division=\"%d\">\n",
            width, height, width, height, (int)roll->division);
    svg += "<title>" + xmlText(title) + "</title>\n";
    appendf(svg, "<rect class=\"background\" x=\"0\" y=\"0\" width=\"%.0f\" height=\"%.0f\" fill=\"#ffffff\"/>\n",
            width, height);

    // Bar lines lie behind the lanes, whose backgrounds let them show through.
    drawMeasures(roll, svg, bottom);
    double top = MM_ROLL_TOP;
    for (size_t i = 0; i < roll->lanes.size(); ++i) {
        const Lane &lane = roll->lanes[i];
        auto [low, high] = keyRange[i];
        double rows = (high - low + 1) * MM_ROLL_KEY;
        double laneTop = top + MM_ROLL_LANE_HEAD;
        appendf(svg, "<g class=\"lane\" data-track=\"%u\" data-channel=\"%d\" data-low=\"%d\" data-high=\"%d\">\n",
                (unsigned)lane.trackNumber, lane.channel + 1, low, high);
        appendf(svg,
                "<rect class=\"lane-back\" x=\"%d\" y=\"%.2f\" width=\"%.2f\" height=\"%.2f\" fill=\"#e8eaf4\" "
                "fill-opacity=\"0.6\"/>\n",
                MM_ROLL_LEFT, laneTop, width - 20 - MM_ROLL_LEFT, rows);
        appendf(svg, "<text class=\"lane-name\" x=\"4\" y=\"%.2f\">%s ch%d</text>\n", top + 13,
                xmlText(lane.trackName.c_str()).c_str(), lane.channel + 1);
        appendf(svg, "<text x=\"%d\" y=\"%.2f\" text-anchor=\"end\" fill=\"#808080\">%d-%d</text>\n",
                MM_ROLL_LEFT - 4, laneTop + 9, low, high);
        for (const RollNote &n : lane.notes) {
            char colour[8];
            velocityColour(n.velocity, colour);
            double x = roll->x(n.start);
            double w = std::max(roll->x(n.end) - x, 1.0);
            double y = laneTop + (high - n.key) * MM_ROLL_KEY;
            appendf(svg,
                    "<rect class=\"note\" x=\"%.2f\" y=\"%.2f\" width=\"%.2f\" height=\"%d\" fill=\"%s\" "
                    "data-key=\"%d\" data-velocity=\"%d\" data-clock=\"%u\" data-length=\"%u\">"
                    "<title>key %d, velocity %d, clock %u, length %u</title></rect>\n",
                    x, y, w, MM_ROLL_KEY - 1, colour, n.key, n.velocity, (unsigned)n.start,
                    (unsigned)(n.end - n.start), n.key, n.velocity, (unsigned)n.start, (unsigned)(n.end - n.start));
        }
        svg += "</g>\n";
        top = laneTop + rows;
    }
    drawTempos(roll, svg);
    svg += "</svg>\n";
    return svg;
}

int MMroll_write(mmctx *ctx, const mmroll *roll, const char *path)
{
    std::string svg = MMroll_svg(roll, ctx->title[0] ? ctx->title : ctx->outputName);
    MMreplaceFile file(MM_GUARD_ROLL);
    FILE *fp = file.open(path);
    if (!fp) {
        MM_setErrMsg(ctx, "%s : %s", path, MM_text(MSG_FILE_OPEN));
        return -1;
    }
    errno = 0;
    if (fwrite(svg.data(), 1, svg.size(), fp) == svg.size() && file.commit() == 0) return 0;
    MM_setErrMsg(ctx, "%s : File write error! (%s)", path, strerror(errno ? errno : EIO));
    return -1;
}
