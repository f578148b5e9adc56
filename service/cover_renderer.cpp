#include "cover_renderer.h"

#include <turbojpeg.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace wayfarer::service {

namespace {

struct Rgb {
    float r = 0, g = 0, b = 0;
};

Rgb mix(Rgb a, Rgb b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// splitmix64, so the same activity always renders the same bytes.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    float uniform() { return static_cast<float>(next() >> 40) / static_cast<float>(1ull << 24); }
    float between(float low, float high) { return low + (high - low) * uniform(); }

private:
    std::uint64_t state_;
};

std::uint64_t hashText(std::string_view text, std::uint64_t hash = 1469598103934665603ull) {
    for (const char c : text)
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return hash;
}

struct Sky {
    Rgb top, horizon, sun, haze;
    bool night;
};

constexpr std::array<Sky, 4> skies{{
    {{0.18f, 0.42f, 0.78f}, {0.68f, 0.84f, 0.96f}, {1.0f, 0.98f, 0.88f}, {0.55f, 0.68f, 0.82f}, false},  // day
    {{0.30f, 0.32f, 0.62f}, {0.99f, 0.64f, 0.38f}, {1.0f, 0.86f, 0.55f}, {0.72f, 0.48f, 0.50f}, false},  // golden hour
    {{0.14f, 0.10f, 0.32f}, {0.88f, 0.42f, 0.48f}, {1.0f, 0.70f, 0.52f}, {0.45f, 0.28f, 0.42f}, false},  // dusk
    {{0.02f, 0.04f, 0.13f}, {0.12f, 0.20f, 0.38f}, {0.95f, 0.95f, 0.88f}, {0.10f, 0.14f, 0.26f}, true},   // night
}};

constexpr std::array<std::string_view, 14> seaside{
    "Venice", "Naples", "Nice", "Barcelona", "Lisbon", "Cape Town", "Rio de Janeiro", "Sydney",
    "Istanbul", "Dubai", "San Francisco", "New York", "Singapore", "Amsterdam"};

class Canvas {
public:
    Canvas() : pixels_(static_cast<std::size_t>(coverWidth) * coverHeight * 3) {}

    void set(int x, int y, Rgb c) {
        if (x < 0 || y < 0 || x >= coverWidth || y >= coverHeight)
            return;
        auto* p = &pixels_[(static_cast<std::size_t>(y) * coverWidth + static_cast<std::size_t>(x)) * 3];
        p[0] = toByte(c.r);
        p[1] = toByte(c.g);
        p[2] = toByte(c.b);
    }
    Rgb get(int x, int y) const {
        const auto* p = &pixels_[(static_cast<std::size_t>(y) * coverWidth + static_cast<std::size_t>(x)) * 3];
        return {p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f};
    }
    template <typename Shade> void fillBelow(const std::vector<float>& top, int bottom, Shade shade) {
        for (int x = 0; x < coverWidth; ++x)
            for (int y = std::max(0, static_cast<int>(top[static_cast<std::size_t>(x)])); y < bottom; ++y)
                set(x, y, shade(x, y));
    }
    const unsigned char* data() const { return pixels_.data(); }

private:
    static unsigned char toByte(float v) { return static_cast<unsigned char>(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f); }
    std::vector<unsigned char> pixels_;
};

void paintSky(Canvas& canvas, const Sky& sky, float horizon, float sunX, float sunY, Random& random) {
    const float sunRadius = sky.night ? 38.0f : 52.0f;
    for (int y = 0; y < coverHeight; ++y) {
        const float t = std::pow(std::clamp(y / horizon, 0.0f, 1.0f), 1.4f);
        const Rgb base = mix(sky.top, sky.horizon, t);
        for (int x = 0; x < coverWidth; ++x) {
            const float dx = static_cast<float>(x) - sunX, dy = static_cast<float>(y) - sunY;
            const float distance = std::sqrt(dx * dx + dy * dy);
            const float glow = std::exp(-distance * distance / (sky.night ? 9000.0f : 60000.0f)) * 0.55f;
            Rgb c = mix(base, sky.sun, glow);
            if (distance < sunRadius)
                c = mix(c, sky.sun, std::clamp(sunRadius - distance, 0.0f, 1.0f));
            canvas.set(x, y, c);
        }
    }
    if (sky.night)
        for (int i = 0; i < 260; ++i) {
            const int x = static_cast<int>(random.between(0, coverWidth));
            const int y = static_cast<int>(random.between(0, horizon * 0.8f));
            const float brightness = random.between(0.4f, 1.0f);
            canvas.set(x, y, mix(canvas.get(x, y), {1, 1, 0.95f}, brightness));
        }
}

// A sum of sines with random phases.
std::vector<float> ridge(Random& random, float base, float amplitude, float roughness) {
    std::array<float, 5> phase{}, frequency{};
    for (std::size_t k = 0; k < phase.size(); ++k) {
        phase[k] = random.between(0, 6.283f);
        frequency[k] = static_cast<float>(k + 1) * random.between(0.8f, 1.25f) * roughness;
    }
    std::vector<float> top(coverWidth);
    for (int x = 0; x < coverWidth; ++x) {
        float h = 0;
        for (std::size_t k = 0; k < phase.size(); ++k)
            h += std::sin(static_cast<float>(x) / coverWidth * 6.283f * frequency[k] + phase[k]) / static_cast<float>(k + 1);
        top[static_cast<std::size_t>(x)] = base - amplitude * (0.5f + 0.35f * h);
    }
    return top;
}

// A city skyline: blocks, towers with spires and domes, from the left edge to the right.
std::vector<float> skyline(Random& random, float ground, float tallest, bool domes,
                           std::vector<std::array<int, 4>>* windows) {
    std::vector<float> top(coverWidth, ground);
    int x = -static_cast<int>(random.between(0, 40));
    while (x < coverWidth) {
        const int width = static_cast<int>(random.between(36, 110));
        const float height = random.between(0.25f, 1.0f) * tallest;
        const float roof = ground - height;
        const float kind = random.uniform();
        for (int i = std::max(0, x); i < std::min(coverWidth, x + width); ++i)
            top[static_cast<std::size_t>(i)] = std::min(top[static_cast<std::size_t>(i)], roof);
        const float centre = static_cast<float>(x) + static_cast<float>(width) / 2;
        if (domes && kind < 0.3f) {
            const float radius = static_cast<float>(width) * 0.42f;
            for (int i = std::max(0, x); i < std::min(coverWidth, x + width); ++i) {
                const float d = (static_cast<float>(i) - centre) / radius;
                if (std::abs(d) < 1)
                    top[static_cast<std::size_t>(i)] = std::min(top[static_cast<std::size_t>(i)], roof - radius * std::sqrt(1 - d * d) - (std::abs(d) < 0.06f ? radius * 0.5f : 0));
            }
        } else if (kind < 0.45f) {
            const float spire = height * random.between(0.2f, 0.5f);
            for (int i = std::max(0, x); i < std::min(coverWidth, x + width); ++i) {
                const float d = std::abs(static_cast<float>(i) - centre) / (static_cast<float>(width) * 0.22f);
                if (d < 1)
                    top[static_cast<std::size_t>(i)] = std::min(top[static_cast<std::size_t>(i)], roof - spire * (1 - d));
            }
        }
        if (windows)
            for (float wy = roof + 10; wy < ground - 14; wy += 16)
                for (int wx = x + 6; wx < x + width - 8; wx += 13)
                    if (random.uniform() < 0.35f)
                        windows->push_back({wx, static_cast<int>(wy), 5, 7});
        x += width + static_cast<int>(random.between(-8, 12));
    }
    return top;
}

void paintTrees(Canvas& canvas, Random& random, float ground, Rgb colour) {
    for (int i = 0; i < 26; ++i) {
        const float cx = random.between(0, coverWidth);
        const float radius = random.between(18, 46);
        const float cy = ground - radius * random.between(0.6f, 1.4f);
        for (int y = static_cast<int>(cy - radius); y < static_cast<int>(ground) + 2; ++y)
            for (int x = static_cast<int>(cx - radius); x < static_cast<int>(cx + radius); ++x) {
                const float dx = static_cast<float>(x) - cx, dy = static_cast<float>(y) - cy;
                const bool crown = dx * dx + dy * dy < radius * radius;
                const bool trunk = std::abs(dx) < radius * 0.12f && static_cast<float>(y) > cy;
                if (crown || trunk)
                    canvas.set(x, y, colour);
            }
    }
}

void paintWater(Canvas& canvas, const Sky& sky, int waterLine, Random& random) {
    for (int y = waterLine; y < coverHeight; ++y) {
        const int mirrored = std::max(0, 2 * waterLine - y);
        const float depth = static_cast<float>(y - waterLine) / static_cast<float>(coverHeight - waterLine);
        for (int x = 0; x < coverWidth; ++x) {
            const Rgb reflected = canvas.get(x, std::min(mirrored, coverHeight - 1));
            canvas.set(x, y, mix(mix(reflected, sky.top, 0.35f), {0.02f, 0.08f, 0.16f}, depth * 0.7f));
        }
    }
    for (int i = 0; i < 180; ++i) {
        const int y = static_cast<int>(random.between(static_cast<float>(waterLine + 4), coverHeight));
        const int x = static_cast<int>(random.between(0, coverWidth));
        const int length = static_cast<int>(random.between(20, 90));
        for (int k = 0; k < length; ++k)
            canvas.set(x + k, y, mix(canvas.get(std::min(x + k, coverWidth - 1), y), sky.sun, 0.25f));
    }
}

struct JpegEncoder {
    void operator()(tjhandle handle) const { tjDestroy(handle); }
};
struct JpegBuffer {
    void operator()(unsigned char* buffer) const { tjFree(buffer); }
};

std::string encodeJpeg(const Canvas& canvas) {
    std::unique_ptr<void, JpegEncoder> encoder(tjInitCompress());
    if (!encoder)
        return {};
    unsigned char* raw = nullptr;
    unsigned long size = 0;
    const int status = tjCompress2(encoder.get(), canvas.data(), coverWidth, 0, coverHeight, TJPF_RGB, &raw, &size,
                                   TJSAMP_420, 82, TJFLAG_FASTDCT);
    std::unique_ptr<unsigned char, JpegBuffer> buffer(raw);
    if (status != 0 || !buffer)
        return {};
    return std::string(reinterpret_cast<const char*>(buffer.get()), size);
}

}

std::string renderCover(const Activity& activity) {
    Random random(hashText(activity.uuid, hashText(activity.city)));
    const Sky& sky = skies[random.next() % skies.size()];
    const bool bySea = std::find(seaside.begin(), seaside.end(), activity.city) != seaside.end();
    const bool wild = activity.category == "nature";
    const bool green = activity.category == "park";
    const float horizon = bySea ? random.between(500, 560) : random.between(560, 640);

    Canvas canvas;
    paintSky(canvas, sky, horizon, random.between(150, 1050), random.between(110, horizon - 220), random);

    const Rgb far = mix(sky.haze, sky.horizon, 0.35f);
    const Rgb near = mix(sky.haze, {0.05f, 0.06f, 0.10f}, sky.night ? 0.85f : 0.6f);
    const auto flat = [](Rgb colour) { return [colour](int, int) { return colour; }; };
    const int bottom = bySea ? static_cast<int>(horizon) : coverHeight;

    if (wild) {
        canvas.fillBelow(ridge(random, horizon - 40, 320, 1.2f), bottom, flat(far));
        canvas.fillBelow(ridge(random, horizon + 20, 220, 2.0f), bottom, flat(mix(far, near, 0.5f)));
        canvas.fillBelow(ridge(random, horizon + 120, 140, 3.1f), bottom, flat(near));
    } else if (green) {
        canvas.fillBelow(ridge(random, horizon, 120, 1.0f), bottom, flat(mix(far, {0.35f, 0.55f, 0.35f}, 0.4f)));
        const Rgb lawn = mix({0.22f, 0.45f, 0.22f}, near, sky.night ? 0.7f : 0.25f);
        canvas.fillBelow(ridge(random, horizon + 110, 70, 1.6f), bottom, flat(lawn));
        paintTrees(canvas, random, horizon + 90, mix(lawn, near, 0.5f));
    } else {
        const bool domes = activity.category == "religious" || activity.category == "landmark";
        canvas.fillBelow(ridge(random, horizon - 20, 90, 0.8f), bottom, flat(mix(far, sky.horizon, 0.3f)));
        canvas.fillBelow(skyline(random, horizon + 10, 260, domes, nullptr), bottom, flat(far));
        std::vector<std::array<int, 4>> windows;
        canvas.fillBelow(skyline(random, horizon + 40, 200, domes, sky.night || &sky == &skies[2] ? &windows : nullptr),
                         bottom, flat(near));
        for (const auto& [x, y, w, h] : windows)
            for (int dy = 0; dy < h; ++dy)
                for (int dx = 0; dx < w; ++dx)
                    canvas.set(x + dx, y + dy, {1.0f, 0.82f, 0.45f});
    }
    if (bySea)
        paintWater(canvas, sky, static_cast<int>(horizon), random);
    return encodeJpeg(canvas);
}

}
