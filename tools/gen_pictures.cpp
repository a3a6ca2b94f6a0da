// gen_pictures: draws the program's own pictures at build time, the same bytes on every run.
//   gen_pictures waves DIR   the 32 water caustics frames WAVE_01.bmp .. WAVE_32.bmp (128 x 128, grey)
//   gen_pictures images DIR  the default background pictures back01, wave, rain and tunnel (.bmp)
// Every picture is computed from integer hashes and periodic functions only (no library random
// numbers), so the output does not depend on the compiler or the standard library.
#include "image/CaptureImage.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr double kTau = 6.283185307179586;

struct Colour {
    double r = 0, g = 0, b = 0;
};

Colour operator+(Colour a, Colour b) {
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
Colour operator*(Colour a, double k) {
    return {a.r * k, a.g * k, a.b * k};
}
Colour mix(Colour a, Colour b, double t) {
    return a * (1 - t) + b * t;
}
Colour rgb(int hex) {
    return {((hex >> 16) & 255) / 255.0, ((hex >> 8) & 255) / 255.0, (hex & 255) / 255.0};
}

double clamp01(double v) {
    return std::clamp(v, 0.0, 1.0);
}
double smoothstep(double a, double b, double x) {
    const double t = clamp01((x - a) / (b - a));
    return t * t * (3 - 2 * t);
}

// A well-mixed 32-bit hash of a lattice point, as a number in [0, 1).
double hash(int x, int y, int seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 0x8da6b343u ^
                      static_cast<std::uint32_t>(y) * 0xd8163841u ^
                      static_cast<std::uint32_t>(seed) * 0xcb1ab31fu;
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    h *= 0x846ca68bu;
    h ^= h >> 16;
    return (h & 0xFFFFFF) / 16777216.0;
}

int wrap(int i, int period) {
    return ((i % period) + period) % period;
}

// Value noise over [0, 1) x [0, 1) with `period` lattice cells a side, seamless at the edges.
double tileNoise(double u, double v, int period, int seed) {
    const double x = u * period, y = v * period;
    const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    const double fx = x - x0, fy = y - y0;
    // Quintic easing: smooth slopes across lattice lines, so no grid shows through the clouds.
    const double sx = fx * fx * fx * (fx * (fx * 6 - 15) + 10), sy = fy * fy * fy * (fy * (fy * 6 - 15) + 10);
    auto at = [&](int i, int j) { return hash(wrap(i, period), wrap(j, period), seed); };
    const double top = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * sx;
    const double bottom = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * sx;
    return top + (bottom - top) * sy;
}

// Fractal sum of seamless value noise, about 0..1.
double tileFbm(double u, double v, int period, int octaves, int seed) {
    double sum = 0, amplitude = 0.5, total = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += amplitude * tileNoise(u, v, period << o, seed + o * 101);
        total += amplitude;
        amplitude *= 0.5;
    }
    return sum / total;
}

struct Canvas {
    int width, height;
    std::vector<Colour> pixels;
    Canvas(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h) {}
    Colour& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }

    // Calls paint(u, v) for every pixel centre, u and v in [0, 1) from the top-left.
    void paint(const std::function<Colour(double, double)>& shader) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                at(x, y) = shader((x + 0.5) / width, (y + 0.5) / height);
    }

    bool save(const std::string& path) const {
        zorvane::CaptureImage image(width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const Colour& c = pixels[static_cast<std::size_t>(y) * width + x];
                auto channel = [](double v) {
                    return static_cast<std::uint32_t>(std::lround(clamp01(v) * 255));
                };
                image.setPixel(x, y, channel(c.r) << 16 | channel(c.g) << 8 | channel(c.b));
            }
        if (!image.saveBMP(path)) {
            std::fprintf(stderr, "gen_pictures: cannot write %s\n", path.c_str());
            return false;
        }
        return true;
    }
};

// ---- Water caustics -------------------------------------------------------------------------------
// Light under rippling water gathers on the edges of cells: the distance to the nearest moving point
// minus the distance to the second nearest is small along a network of thin curved lines. The points
// circle with whole turns over the 32 frames and the plane is a torus, so every frame tiles and the
// last frame leads back into the first.

constexpr int kWaveFrames = 32;
constexpr int kCausticCells = 5;

struct Feature {
    double x, y, radius, phase;
    int turns; // whole turns over the loop: the loop closes exactly
};

std::vector<Feature> causticFeatures() {
    std::vector<Feature> features;
    for (int j = 0; j < kCausticCells; ++j)
        for (int i = 0; i < kCausticCells; ++i) {
            // Anywhere in the cell: a narrower jitter would line the edges up along the cell grid.
            const double jitterX = hash(i, j, 11), jitterY = hash(i, j, 12);
            const int turns = hash(i, j, 13) < 0.5 ? 1 : -1;
            features.push_back({(i + jitterX) / kCausticCells, (j + jitterY) / kCausticCells,
                                (0.08 + 0.1 * hash(i, j, 14)) / kCausticCells, kTau * hash(i, j, 15), turns});
        }
    return features;
}

double torusDistance(double ax, double ay, double bx, double by) {
    double dx = std::fabs(ax - bx), dy = std::fabs(ay - by);
    dx = std::min(dx, 1 - dx);
    dy = std::min(dy, 1 - dy);
    return std::sqrt(dx * dx + dy * dy);
}

double causticIntensity(double u, double v, double time, const std::vector<Feature>& features) {
    // Periodic warps bend the cell edges into curves; whole wave numbers keep them seamless.
    const double a = kTau * time;
    const double wu =
        u + 0.022 * std::sin(kTau * (2 * v + u) + a) + 0.012 * std::sin(kTau * (3 * u - 2 * v) - 2 * a);
    const double wv =
        v + 0.022 * std::cos(kTau * (2 * u - v) - a) + 0.012 * std::sin(kTau * (3 * v + 2 * u) + 2 * a);
    const double pu = wu - std::floor(wu), pv = wv - std::floor(wv);
    double nearest = 10, second = 10;
    for (const Feature& f : features) {
        const double angle = f.phase + f.turns * a;
        const double fx = f.x + f.radius * std::cos(angle), fy = f.y + f.radius * std::sin(angle);
        const double d = torusDistance(pu, pv, fx - std::floor(fx), fy - std::floor(fy));
        if (d < nearest) {
            second = nearest;
            nearest = d;
        } else if (d < second) {
            second = d;
        }
    }
    const double edge = (second - nearest) * kCausticCells; // 0 on a cell edge, about 0.5 inside
    // Light gathers unevenly: the lines swell and fade along their length as the water moves.
    const double swell = 0.5 + 0.5 * std::sin(kTau * (u + 2 * v) + a) * std::cos(kTau * (2 * u - v) - a);
    const double width = 0.028 + 0.018 * swell;
    const double line = std::exp(-edge * edge / (2 * width * width));
    const double glow = std::exp(-edge * edge / (2 * 0.12 * 0.12));
    return (0.5 + 0.2 * swell) * line + 0.18 * glow;
}

bool writeWaves(const std::filesystem::path& dir) {
    const auto features = causticFeatures();
    for (int frame = 0; frame < kWaveFrames; ++frame) {
        Canvas canvas(128, 128);
        const double time = static_cast<double>(frame) / kWaveFrames;
        canvas.paint([&](double u, double v) {
            const double grey = 0.24 + causticIntensity(u, v, time, features);
            return Colour{grey, grey, grey};
        });
        char name[32];
        std::snprintf(name, sizeof name, "WAVE_%02d.bmp", frame + 1);
        if (!canvas.save((dir / name).string()))
            return false;
    }
    return true;
}

// ---- Default background pictures ------------------------------------------------------------------

// A calm night nebula: a deep blue-violet sky crossed by a soft diagonal band of glowing gas, blue
// at its rim and rose to warm pink at its core, with darker dust lanes.
Colour backdrop(double u, double v) {
    Colour sky = mix(rgb(0x070b1f), rgb(0x160b29), v);
    sky = sky * (1 - 0.55 * smoothstep(0.25, 0.85, std::hypot(u - 0.5, v - 0.5)));
    // Domain warping turns the noise into folds and filaments.
    const double warpU = tileFbm(u, v, 3, 5, 21), warpV = tileFbm(u, v, 3, 5, 22);
    const double gas = tileFbm(u + 0.35 * warpU, v + 0.35 * warpV, 4, 6, 23);
    const double across = (u - 0.5) * 0.6 + (v - 0.5) * 0.8 + 0.12 * (warpU - 0.5); // distance from the band
    const double band = std::exp(-across * across / (2 * 0.16 * 0.16));
    const double density = smoothstep(0.3, 0.8, gas) * band;
    const double dust = 1 - 0.6 * smoothstep(0.5, 0.75, tileFbm(u + 0.2 * warpV, v, 6, 5, 24)) * band;
    Colour glow = mix(rgb(0x1f3f8f), rgb(0x9a2f7c), smoothstep(0.15, 0.55, density));
    glow = mix(glow, rgb(0xf3a0a8), smoothstep(0.55, 0.95, density));
    return sky + glow * (0.85 * density * dust) + rgb(0x2a4a9a) * (0.12 * band);
}

// Many faint stars and a few bright ones with a soft halo.
void addStars(Canvas& canvas) {
    for (int i = 0; i < 420; ++i) {
        const double sx = hash(i, 1, 77) * canvas.width, sy = hash(i, 2, 77) * canvas.height;
        const double brightness = 0.2 + 0.8 * std::pow(hash(i, 3, 77), 4);
        const double size = 0.5 + 0.9 * std::pow(hash(i, 4, 77), 6);
        const double halo = brightness > 0.7 ? 3.5 : 0;
        const Colour tint = mix(rgb(0xbfd4ff), rgb(0xfff1d6), hash(i, 5, 77));
        for (int y = static_cast<int>(sy) - 6; y <= static_cast<int>(sy) + 6; ++y)
            for (int x = static_cast<int>(sx) - 6; x <= static_cast<int>(sx) + 6; ++x) {
                if (x < 0 || y < 0 || x >= canvas.width || y >= canvas.height)
                    continue;
                const double d = std::hypot(x + 0.5 - sx, y + 0.5 - sy);
                double light = std::exp(-d * d / (size * size));
                if (halo > 0)
                    light += 0.12 * std::exp(-d * d / (halo * halo));
                canvas.at(x, y) = canvas.at(x, y) + tint * (brightness * light);
            }
    }
}

// A swimming-pool floor: glazed tiles in sea blues with pale grout, seamless both ways. The view
// stretches the scene to the screen's width, so on a 16:9 screen five columns and three rows of
// these tiles look square, and the vertical joints are drawn thinner to look as wide as the others.
Colour poolFloor(double u, double v) {
    constexpr int columns = 5, rows = 3;
    constexpr double stretch = 16.0 / 9.0;
    const double tx = u * columns, ty = v * rows;
    const int ix = static_cast<int>(tx), iy = static_cast<int>(ty);
    const double fx = tx - ix, fy = ty - iy;
    const double shade = hash(ix, iy, 5);
    Colour tile = mix(rgb(0x1f7fae), rgb(0x3fb3cf), shade);
    if (hash(ix, iy, 6) > 0.8)
        tile = mix(tile, rgb(0x15578f), 0.7);
    // Distance to the nearest joint, in eighths of the picture as seen on the screen.
    const double edgeX = std::min(fx, 1 - fx) / columns * stretch * 8;
    const double edgeY = std::min(fy, 1 - fy) / rows * 8;
    const double edge = std::min(edgeX, edgeY);
    // Glaze: a gentle bevel towards the tile edges and a faint mottling.
    tile = tile * (0.86 + 0.14 * smoothstep(0.0, 0.25, edge) + 0.12 * (tileFbm(u, v, 16, 3, 9) - 0.5));
    const double grout = 1 - smoothstep(0.03, 0.06, edge);
    return mix(tile, rgb(0xcfe6ea), 0.85 * grout);
}

// Pebbles under clear shallow water, seen from above: rounded stones of varied greys, browns and
// slate blues, lit from the top-left, with dark green-brown gaps between them.
//
// The raindrops background shows this picture as a sphere map: water at rest shows only its middle
// fifth, enlarged about eight times, and ripples bend the view across the rest. So the picture is
// large and its stones small. The background also multiplies the picture by (0.85, 1, 0.85) and
// squares it (the blend uses the source colour as its own factor); the colours here are chosen as
// they should appear and then stored as the square root of that, divided by the tint.
Colour pondPebbles(double u, double v) {
    constexpr int cells = 48;
    const double warpU = u + 0.006 * (tileFbm(u, v, 24, 2, 31) - 0.5);
    const double warpV = v + 0.006 * (tileFbm(u, v, 24, 2, 32) - 0.5);
    const int cellX = static_cast<int>(std::floor(warpU * cells));
    const int cellY = static_cast<int>(std::floor(warpV * cells));
    double nearest = 10, second = 10;
    int bestX = 0, bestY = 0;
    double centreX = 0, centreY = 0;
    // Each cell holds one stone centre; the nearest two centres lie within two cells.
    for (int j = cellY - 2; j <= cellY + 2; ++j)
        for (int i = cellX - 2; i <= cellX + 2; ++i) {
            const int wi = wrap(i, cells), wj = wrap(j, cells);
            const double px = (i + 0.15 + 0.7 * hash(wi, wj, 33)) / cells;
            const double py = (j + 0.15 + 0.7 * hash(wi, wj, 34)) / cells;
            const double d = std::hypot(warpU - px, warpV - py);
            if (d < nearest) {
                second = nearest;
                nearest = d;
                bestX = wi, bestY = wj;
                centreX = px, centreY = py;
            } else if (d < second) {
                second = d;
            }
        }
    static const std::array<Colour, 7> stones{rgb(0x8c857b), rgb(0xa8977c), rgb(0x6b7682), rgb(0x9b9a92),
                                              rgb(0x7f6a58), rgb(0xb3aa9a), rgb(0x5d5a55)};
    Colour stone = stones[static_cast<std::size_t>(hash(bestX, bestY, 35) * stones.size())];
    stone = stone * (0.85 + 0.3 * hash(bestX, bestY, 37));
    const double gap = (second - nearest) * cells;
    const double round = smoothstep(0.0, 0.4, gap); // 0 at the gap, 1 in the middle
    // Light from the top-left on a domed stone, with a wet highlight.
    const double lx = (warpU - centreX) * cells, ly = (warpV - centreY) * cells;
    const double light = 0.9 - 0.5 * (lx + ly) * round;
    const double grain = 0.88 + 0.24 * tileFbm(u, v, 192, 3, 36);
    stone = stone * (light * grain * (0.55 + 0.45 * round));
    const double highlight = std::exp(-((lx + 0.2) * (lx + 0.2) + (ly + 0.2) * (ly + 0.2)) / 0.012) * round;
    Colour bed = mix(rgb(0x1c261f), stone, smoothstep(0.0, 0.12, gap)) + rgb(0xf4fbff) * (0.35 * highlight);
    // The water over the stones: a faint blue-green cast, deeper in wide soft patches.
    const double depth = tileFbm(u, v, 6, 3, 38);
    bed = mix(bed, rgb(0x24505a), 0.18 + 0.2 * depth);
    // Stored so that the background's tint and squaring give back the colour above.
    return {std::min(1.0, std::sqrt(clamp01(bed.r)) / 0.85), std::sqrt(clamp01(bed.g)),
            std::min(1.0, std::sqrt(clamp01(bed.b)) / 0.85)};
}

// Sandstone bricks in running bond with dark mortar, seamless both ways for the tunnel walls. The
// picture runs once around the tunnel and along its first 32 rings, so twelve bricks around (one
// to each face of the tube) and sixteen rows along keep them brick-shaped from the mouth inwards.
Colour brickWall(double u, double v) {
    constexpr int rows = 16, perRow = 12;
    const double ty = v * rows;
    const int row = static_cast<int>(ty);
    const double tx = u * perRow + (row % 2 ? 0.5 : 0.0);
    const int column = static_cast<int>(std::floor(tx));
    const double fx = tx - column, fy = ty - row;
    const int brickId = wrap(column, perRow);
    const double tone = hash(brickId, row, 51);
    Colour brick = mix(rgb(0x8c4a2f), rgb(0xb9774a), tone);
    brick = mix(brick, rgb(0x5e3a2b), 0.5 * smoothstep(0.55, 0.9, tileFbm(u, v, 16, 4, 52)));
    brick = brick * (0.82 + 0.3 * tileFbm(u, v, 64, 2, 53));
    const double edgeX = std::min(fx, 1 - fx) / perRow * rows, edgeY = std::min(fy, 1 - fy);
    const double edge = std::min(edgeX, edgeY);
    brick = brick * (0.8 + 0.2 * smoothstep(0.0, 0.16, edge));
    const double mortar = 1 - smoothstep(0.05, 0.09, edge);
    const Colour joint = rgb(0x3a352f) * (0.8 + 0.4 * tileFbm(u, v, 32, 2, 54));
    return mix(brick, joint, mortar);
}

bool writeImages(const std::filesystem::path& dir) {
    Canvas back(512, 512);
    back.paint(backdrop);
    addStars(back);
    Canvas wave(256, 256);
    wave.paint(poolFloor);
    Canvas rain(1024, 1024);
    rain.paint(pondPebbles);
    Canvas tunnel(512, 512);
    tunnel.paint(brickWall);
    return back.save((dir / "back01.bmp").string()) && wave.save((dir / "wave.bmp").string()) &&
           rain.save((dir / "rain.bmp").string()) && tunnel.save((dir / "tunnel.bmp").string());
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: gen_pictures waves|images DIR\n");
        return 2;
    }
    const std::string what = argv[1];
    const std::filesystem::path dir = argv[2];
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (what == "waves")
        return writeWaves(dir) ? 0 : 1;
    if (what == "images")
        return writeImages(dir) ? 0 : 1;
    std::fprintf(stderr, "gen_pictures: unknown set %s\n", what.c_str());
    return 2;
}
