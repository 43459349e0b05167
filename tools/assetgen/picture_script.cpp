// The picture script interpreter. Commands, one per line:
//   size W H | format bmp|png | fill K | rect X Y W H K | frame X Y W H K
//   vramp X Y W H K1 K2 ...      ordered-dither ramp through palette keys, top to bottom
//   alpharamp X Y W H R G B A0 A1 POWER   straight RGBA ramp (for translucent pictures)
//   blend X Y W H K ALPHA        mixes a palette colour over a region
//   disc CX CY R K | line X0 Y0 X1 Y1 K | stars SEED COUNT X Y W H K...
//   def NAME W H + rows + end    a named sprite; '.' leaves pixels as they are
//   grid X Y + rows + end        an inline sprite
//   put NAME X Y [flipx|flipy|flipxy] [scale S] | tile NAME X Y W H
//   text X Y K SCALE "T" | ctext CX Y K SCALE "T"
//   gear CX CY ROUT RIN TEETH ANGLE KOUT KBODY KHUB [KSPOKE]   a toothed wheel
//   copy PICTURE SX SY W H DX DY [flipx]              pixels of a finished picture
//   wrap on|off                  vertical wrap-around for seamless pictures
//   vrepeat PERIOD               copies rows 0..PERIOD-1 down the whole height
//   include FILE                 runs another script's lines here (shared sprites)
#include "picture_script.h"

#include "text_source.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace {

struct Sprite {
    int width;        // columns
    int height;       // rows
    std::string keys; // width*height palette keys, '.' = leave
};

struct ScriptState {
    const PictureContext* ctx;             // palette, font, earlier pictures
    Picture picture;                       // picture being drawn
    bool sized = false;                    // size command seen
    bool wrap = false;                     // vertical wrap-around of writes
    std::map<std::string, Sprite> sprites; // sprites defined so far
};

void Plot(ScriptState& s, int x, int y, Rgba c) {
    Canvas& cv = s.picture.canvas;
    if (s.wrap && cv.height > 0) y = ((y % cv.height) + cv.height) % cv.height;
    PutPixel(cv, x, y, c);
}

Rgba Key(ScriptState& s, const SourceFile& f, int line, const std::string& word) {
    if (word.size() != 1) SourceError(f, line, "colour keys are one character: '" + word + "'");
    unsigned char k = static_cast<unsigned char>(word[0]);
    if (k >= 128 || !s.ctx->palette->defined[k]) SourceError(f, line, "colour key not in palette: " + word);
    return s.ctx->palette->colors[k];
}

// Reads sprite rows up to "end"; all rows must have the same width.
Sprite ReadRows(const SourceFile& f, size_t& i, int startLine) {
    Sprite sp{0, 0, ""};
    for (;;) {
        if (i >= f.lines.size()) SourceError(f, startLine, "missing end");
        const SourceLine& row = f.lines[i++];
        std::string t = row.text;
        size_t a = t.find_first_not_of(" \t");
        if (a != std::string::npos && t.compare(a, 3, "end") == 0 &&
            t.find_first_not_of(" \t", a + 3) == std::string::npos)
            break;
        // Rows are taken as they are, apart from leading indentation of 2 spaces.
        if (t.rfind("  ", 0) == 0) t = t.substr(2);
        if (sp.height == 0) sp.width = static_cast<int>(t.size());
        if (static_cast<int>(t.size()) != sp.width) SourceError(f, row.number, "grid rows differ in width");
        sp.keys += t;
        ++sp.height;
    }
    return sp;
}

void DrawSprite(ScriptState& s, const SourceFile& f, int line, const Sprite& sp, int x, int y, bool fx, bool fy,
                int scale) {
    for (int r = 0; r < sp.height; ++r)
        for (int c = 0; c < sp.width; ++c) {
            char k = sp.keys[r * sp.width + c];
            if (k == '.') continue;
            Rgba col = Key(s, f, line, std::string(1, k));
            int dx = fx ? sp.width - 1 - c : c;
            int dy = fy ? sp.height - 1 - r : r;
            for (int yy = 0; yy < scale; ++yy)
                for (int xx = 0; xx < scale; ++xx) Plot(s, x + dx * scale + xx, y + dy * scale + yy, col);
        }
}

// 4x4 Bayer matrix for ordered dithering between palette colours.
const int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

void RunLines(ScriptState& s, const SourceFile& f);

void RunCommand(ScriptState& s, const SourceFile& f, size_t& i, const SourceLine& line) {
    std::vector<std::string> w = SplitWords(line.text);
    const std::string& cmd = w[0];
    auto need = [&](size_t n) {
        if (w.size() < n) SourceError(f, line.number, cmd + ": too few arguments");
    };
    auto I = [&](size_t k) { return ParseInt(f, line.number, w[k]); };
    if (cmd != "size" && cmd != "format" && cmd != "def" && cmd != "include" && !s.sized)
        SourceError(f, line.number, "size must come before drawing");

    if (cmd == "size") {
        need(3);
        int wd = I(1), ht = I(2);
        if (wd < 1 || ht < 1 || wd > 4096 || ht > 4096) SourceError(f, line.number, "size out of range");
        s.picture.canvas = MakeCanvas(wd, ht, {0, 0, 0, 0});
        s.sized = true;
    } else if (cmd == "format") {
        need(2);
        if (w[1] == "bmp") s.picture.kind = PictureBmp;
        else if (w[1] == "png") s.picture.kind = PicturePng;
        else SourceError(f, line.number, "format is bmp or png");
    } else if (cmd == "fill") {
        need(2);
        Rgba c = Key(s, f, line.number, w[1]);
        for (Rgba& p : s.picture.canvas.pixels) p = c;
    } else if (cmd == "rect" || cmd == "frame") {
        need(6);
        int x = I(1), y = I(2), wd = I(3), ht = I(4);
        Rgba c = Key(s, f, line.number, w[5]);
        for (int yy = 0; yy < ht; ++yy)
            for (int xx = 0; xx < wd; ++xx)
                if (cmd == "rect" || yy == 0 || xx == 0 || yy == ht - 1 || xx == wd - 1) Plot(s, x + xx, y + yy, c);
    } else if (cmd == "vramp") {
        need(7);
        int x = I(1), y = I(2), wd = I(3), ht = I(4);
        std::vector<Rgba> keys;
        for (size_t k = 5; k < w.size(); ++k) keys.push_back(Key(s, f, line.number, w[k]));
        int steps = static_cast<int>(keys.size()) - 1;
        for (int yy = 0; yy < ht; ++yy) {
            // Position along the ramp in 1/16 steps between neighbouring keys.
            int pos = ht > 1 ? yy * steps * 16 / (ht - 1) : 0;
            for (int xx = 0; xx < wd; ++xx) {
                int band = pos / 16, frac = pos % 16;
                int idx = band + (frac > kBayer[(y + yy) & 3][(x + xx) & 3] ? 1 : 0);
                if (idx > steps) idx = steps;
                Plot(s, x + xx, y + yy, keys[idx]);
            }
        }
    } else if (cmd == "alpharamp") {
        need(11);
        int x = I(1), y = I(2), wd = I(3), ht = I(4);
        int r = I(5), g = I(6), b = I(7), a0 = I(8), a1 = I(9);
        double power = ParseDouble(f, line.number, w[10]);
        for (int yy = 0; yy < ht; ++yy) {
            double t = ht > 1 ? static_cast<double>(yy) / (ht - 1) : 0.0;
            double a = a0 + (a1 - a0) * std::pow(t, power);
            int ai = static_cast<int>(std::lround(a));
            ai = ai < 0 ? 0 : ai > 255 ? 255 : ai;
            for (int xx = 0; xx < wd; ++xx)
                Plot(s, x + xx, y + yy,
                     {static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b),
                      static_cast<uint8_t>(ai)});
        }
    } else if (cmd == "blend") {
        need(7);
        int x = I(1), y = I(2), wd = I(3), ht = I(4);
        Rgba c = Key(s, f, line.number, w[5]);
        int alpha = I(6);
        for (int yy = 0; yy < ht; ++yy)
            for (int xx = 0; xx < wd; ++xx) {
                int py = y + yy;
                if (s.wrap && s.picture.canvas.height > 0)
                    py = ((py % s.picture.canvas.height) + s.picture.canvas.height) % s.picture.canvas.height;
                Rgba o = GetPixel(s.picture.canvas, x + xx, py);
                Rgba m{static_cast<uint8_t>((o.r * (255 - alpha) + c.r * alpha) / 255),
                       static_cast<uint8_t>((o.g * (255 - alpha) + c.g * alpha) / 255),
                       static_cast<uint8_t>((o.b * (255 - alpha) + c.b * alpha) / 255), o.a};
                PutPixel(s.picture.canvas, x + xx, py, m);
            }
    } else if (cmd == "disc") {
        need(5);
        int cx = I(1), cy = I(2), rad = I(3);
        Rgba c = Key(s, f, line.number, w[4]);
        for (int yy = -rad; yy <= rad; ++yy)
            for (int xx = -rad; xx <= rad; ++xx)
                if (xx * xx + yy * yy <= rad * rad + rad / 2) Plot(s, cx + xx, cy + yy, c);
    } else if (cmd == "line") {
        need(6);
        int x0 = I(1), y0 = I(2), x1 = I(3), y1 = I(4);
        Rgba c = Key(s, f, line.number, w[5]);
        int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1, dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
        int err = dx + dy;
        for (;;) {
            Plot(s, x0, y0, c);
            if (x0 == x1 && y0 == y1) break;
            int e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                x0 += sx;
            }
            if (e2 <= dx) {
                err += dx;
                y0 += sy;
            }
        }
    } else if (cmd == "stars") {
        need(8);
        uint32_t seed = static_cast<uint32_t>(I(1));
        int count = I(2), x = I(3), y = I(4), wd = I(5), ht = I(6);
        std::vector<Rgba> keys;
        for (size_t k = 7; k < w.size(); ++k) keys.push_back(Key(s, f, line.number, w[k]));
        if (wd < 1 || ht < 1) SourceError(f, line.number, "stars: empty region");
        auto next = [&]() {
            seed = seed * 1664525u + 1013904223u;
            return seed >> 8;
        };
        for (int n = 0; n < count; ++n) {
            int px = x + static_cast<int>(next() % static_cast<uint32_t>(wd));
            int py = y + static_cast<int>(next() % static_cast<uint32_t>(ht));
            Plot(s, px, py, keys[next() % keys.size()]);
        }
    } else if (cmd == "def") {
        need(4);
        int wd = I(2), ht = I(3);
        Sprite sp = ReadRows(f, i, line.number);
        if (sp.width != wd || sp.height != ht) SourceError(f, line.number, "def: grid is not " + w[2] + "x" + w[3]);
        s.sprites[w[1]] = sp;
    } else if (cmd == "grid") {
        need(3);
        Sprite sp = ReadRows(f, i, line.number);
        DrawSprite(s, f, line.number, sp, I(1), I(2), false, false, 1);
    } else if (cmd == "put") {
        need(4);
        auto it = s.sprites.find(w[1]);
        if (it == s.sprites.end()) SourceError(f, line.number, "unknown sprite " + w[1]);
        bool fx = false, fy = false;
        int scale = 1;
        for (size_t k = 4; k < w.size(); ++k) {
            if (w[k] == "flipx") fx = true;
            else if (w[k] == "flipy") fy = true;
            else if (w[k] == "flipxy") fx = fy = true;
            else if (w[k] == "scale" && k + 1 < w.size()) scale = ParseInt(f, line.number, w[++k]);
            else SourceError(f, line.number, "put: unknown option " + w[k]);
        }
        if (scale < 1 || scale > 16) SourceError(f, line.number, "put: scale out of range");
        DrawSprite(s, f, line.number, it->second, I(2), I(3), fx, fy, scale);
    } else if (cmd == "tile") {
        need(6);
        auto it = s.sprites.find(w[1]);
        if (it == s.sprites.end()) SourceError(f, line.number, "unknown sprite " + w[1]);
        const Sprite& sp = it->second;
        int x = I(2), y = I(3), wd = I(4), ht = I(5);
        for (int yy = 0; yy < ht; ++yy)
            for (int xx = 0; xx < wd; ++xx) {
                char k = sp.keys[(yy % sp.height) * sp.width + (xx % sp.width)];
                if (k != '.') Plot(s, x + xx, y + yy, Key(s, f, line.number, std::string(1, k)));
            }
    } else if (cmd == "text" || cmd == "ctext") {
        need(6);
        int x = I(1), y = I(2), scale = I(4);
        Rgba c = Key(s, f, line.number, w[3]);
        if (cmd == "ctext") x -= TextWidth(*s.ctx->font, w[5], scale) / 2;
        DrawText(s.picture.canvas, *s.ctx->font, x, y, w[5], c, scale);
    } else if (cmd == "gear") {
        need(10);
        double cx = ParseDouble(f, line.number, w[1]), cy = ParseDouble(f, line.number, w[2]);
        double rout = ParseDouble(f, line.number, w[3]), rin = ParseDouble(f, line.number, w[4]);
        int teeth = I(5);
        double angle = ParseDouble(f, line.number, w[6]) * M_PI / 180.0;
        Rgba kout = Key(s, f, line.number, w[7]), kbody = Key(s, f, line.number, w[8]),
             khub = Key(s, f, line.number, w[9]);
        Rgba kspoke = w.size() > 10 ? Key(s, f, line.number, w[10]) : khub;
        // Shape test at a pixel centre: inside the body, or inside a tooth.
        auto inside = [&](int px, int py) {
            double dx = px + 0.5 - cx, dy = py + 0.5 - cy;
            double r = std::sqrt(dx * dx + dy * dy);
            if (r <= rin) return true;
            if (r > rout) return false;
            double th = std::atan2(dy, dx) - angle;
            return std::cos(teeth * th) > -0.1;
        };
        int x0 = static_cast<int>(cx - rout - 1), x1 = static_cast<int>(cx + rout + 1);
        int y0 = static_cast<int>(cy - rout - 1), y1 = static_cast<int>(cy + rout + 1);
        for (int py = y0; py <= y1; ++py)
            for (int px = x0; px <= x1; ++px) {
                if (!inside(px, py)) continue;
                bool edge = !inside(px - 1, py) || !inside(px + 1, py) || !inside(px, py - 1) || !inside(px, py + 1);
                double dx = px + 0.5 - cx, dy = py + 0.5 - cy;
                double r = std::sqrt(dx * dx + dy * dy);
                // Two spokes through the hub make the turning visible.
                double th = std::atan2(dy, dx) - angle;
                bool spoke = r < rin - 1.0 && std::fabs(std::sin(th)) * r < 0.9;
                Rgba c = edge || r < 1.1 ? kout : r < rin * 0.5 ? khub : spoke ? kspoke : kbody;
                Plot(s, px, py, c);
            }
    } else if (cmd == "copy") {
        need(8);
        auto it = s.ctx->built->find(w[1]);
        if (it == s.ctx->built->end()) SourceError(f, line.number, "copy: no finished picture named " + w[1]);
        bool fx = w.size() > 8 && w[8] == "flipx";
        const Canvas& src = it->second.canvas;
        int sx = I(2), sy = I(3), wd = I(4), ht = I(5), dx = I(6), dy = I(7);
        for (int yy = 0; yy < ht; ++yy)
            for (int xx = 0; xx < wd; ++xx) {
                Rgba c = GetPixel(src, sx + xx, sy + yy);
                // The green key and empty alpha of the source stay out of the copy.
                if (c.a == 0 || (c.r == 0 && c.g == 255 && c.b == 0)) continue;
                Plot(s, dx + (fx ? wd - 1 - xx : xx), dy + yy, c);
            }
    } else if (cmd == "wrap") {
        need(2);
        s.wrap = w[1] == "on";
    } else if (cmd == "vrepeat") {
        need(2);
        int period = I(1);
        Canvas& cv = s.picture.canvas;
        if (period < 1 || period > cv.height) SourceError(f, line.number, "vrepeat: bad period");
        for (int y = period; y < cv.height; ++y)
            for (int x = 0; x < cv.width; ++x)
                cv.pixels[static_cast<size_t>(y) * cv.width + x] =
                    cv.pixels[static_cast<size_t>(y % period) * cv.width + x];
    } else if (cmd == "include") {
        need(2);
        std::string dir = f.path.substr(0, f.path.find_last_of('/') + 1);
        SourceFile inc = LoadSourceFile(dir + w[1]);
        RunLines(s, inc);
    } else {
        SourceError(f, line.number, "unknown command " + cmd);
    }
}

void RunLines(ScriptState& s, const SourceFile& f) {
    size_t i = 0;
    while (i < f.lines.size()) {
        const SourceLine& line = f.lines[i++];
        if (IsBlankOrComment(line.text)) continue;
        RunCommand(s, f, i, line);
    }
}

} // namespace

Picture RunPictureScript(const std::string& path, const PictureContext& context) {
    ScriptState s;
    s.ctx = &context;
    s.picture.kind = PictureBmp;
    SourceFile f = LoadSourceFile(path);
    RunLines(s, f);
    if (!s.sized) ToolError(path + ": no size command");
    return s.picture;
}
