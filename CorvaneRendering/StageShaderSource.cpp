#include "CorvaneRendering/StageShaderSource.hpp"

namespace corvane {

namespace {

// Conventions: stage points have the origin at the top left, y down; a
// vertex's clip position flips y. Textures loaded from images keep their
// first row at v = 0, so uv with v = 0 at the top samples them upright;
// textures the stage renders itself have their first row at the bottom and
// are sampled at 1 - v. Colours are linear; the frame target encodes sRGB.
constexpr std::string_view source = R"GLSL(
layout(std140) uniform ViewportUniform {
    vec2 size;
    float time;
    float glowIntensity;
    float impactPosition;
    float saberIntensity;
    vec4 saberColor;
    float saberBlendMode;
    float saberThickness;
    float contrastBoost;
    float smokeIntensity;
    float smokeSize;
    vec4 smokePrimaryColor;
    vec4 smokeSecondaryColor;
    float smokeOpacity;
    float smokeDensity;
    float smokeTurbulence;
    float smokeSpeed;
    float smokeSpread;
    float smokePattern;
    float smokeBlendMode;
    float particleGlowIntensity;
    vec2 backgroundImageSize;
    float backgroundOpacity;
    float backgroundBlendMode;
    float backgroundContentMode;
    float hasBackgroundImage;
    vec4 backgroundTopColor;
    vec4 backgroundBottomColor;
    vec4 gridColor;
    float gridOpacity;
    float backgroundGrainIntensity;
} stage;

#ifdef STAGE_VERTEX
#define VARYING out
#else
#define VARYING in
#endif

#if defined(OUTPUT_BACKDROP) || defined(OUTPUT_KEYBOARD)
VARYING vec2 vUV;
#endif
#if defined(OUTPUT_QUAD) || defined(OUTPUT_PARTICLE) || defined(OUTPUT_KEYLIGHT)
VARYING vec4 vColor;
VARYING vec2 vLocal;
#endif
#if defined(OUTPUT_QUAD) || defined(OUTPUT_PARTICLE)
VARYING vec2 vSize;
#endif
#ifdef OUTPUT_QUAD
VARYING float vLayers;
#endif
#ifdef OUTPUT_PARTICLE
VARYING float vMaterial;
VARYING float vSeed;
#endif
#ifdef OUTPUT_KEYLIGHT
VARYING vec2 vTopInsets;
VARYING float vIsBlack;
VARYING float vGlowOpacity;
#endif

float randomValue(vec2 p)
{
    return fract(sin(dot(p, vec2(127.1, 311.7))) * 43758.5453);
}

// ---------------------------------------------------------------- vertex functions
#ifdef STAGE_VERTEX

// One instance record as three vec4 attributes: (center, size), colour, the rest.
layout(location = 0) in vec4 instanceA;
layout(location = 1) in vec4 instanceB;
layout(location = 2) in vec4 instanceC;

const vec2 corners[6] = vec2[6](vec2(-0.5, -0.5), vec2(0.5, -0.5), vec2(-0.5, 0.5),
                                vec2(0.5, -0.5), vec2(0.5, 0.5), vec2(-0.5, 0.5));

vec4 clipPosition(vec2 pixel)
{
    return vec4(pixel.x / stage.size.x * 2.0 - 1.0, 1.0 - pixel.y / stage.size.y * 2.0, 0.0, 1.0);
}

vec2 rotated(vec2 p, float r)
{
    return vec2(p.x * cos(r) - p.y * sin(r), p.x * sin(r) + p.y * cos(r));
}

#ifdef OUTPUT_BACKDROP
void backdropVertex()
{
    const vec2 positions[3] = vec2[3](vec2(-1.0, -1.0), vec2(3.0, -1.0), vec2(-1.0, 3.0));
    vec2 p = positions[gl_VertexID];
    gl_Position = vec4(p, 0.0, 1.0);
    vUV = vec2((p.x + 1.0) * 0.5, 1.0 - (p.y + 1.0) * 0.5);
}
#endif

#ifdef OUTPUT_QUAD
void quadVertex()
{
    vec2 c = corners[gl_VertexID];
    vec2 local = rotated(c * instanceA.zw, instanceC.x);
    gl_Position = clipPosition(instanceA.xy + local);
    vColor = instanceB;
    vLocal = c * 2.0;
    vSize = instanceA.zw;
    vLayers = instanceC.y;
}
#endif

#ifdef OUTPUT_KEYBOARD
void keyboardVertex()
{
    vec2 c = corners[gl_VertexID];
    gl_Position = clipPosition(instanceA.xy + c * instanceA.zw);
    vUV = instanceB.xy + (c + 0.5) * instanceB.zw;
}
#endif

#ifdef OUTPUT_PARTICLE
void particleVertex()
{
    vec2 c = corners[gl_VertexID];
    vec2 local = rotated(c * instanceA.zw, instanceC.x);
    gl_Position = clipPosition(instanceA.xy + local);
    vColor = instanceB;
    vLocal = c * 2.0;
    vSize = instanceA.zw;
    vMaterial = instanceC.y;
    vSeed = instanceC.z;
}
#endif

#ifdef OUTPUT_KEYLIGHT
void keyLightVertex()
{
    vec2 c = corners[gl_VertexID];
    gl_Position = clipPosition(instanceA.xy + c * instanceA.zw);
    vColor = instanceB;
    vLocal = c * 2.0;
    vTopInsets = instanceC.xy;
    vIsBlack = instanceC.z;
    vGlowOpacity = instanceC.w;
}
#endif

#endif

// ---------------------------------------------------------------- fragment functions
#ifdef STAGE_FRAGMENT

layout(location = 0) out vec4 fragColor;
uniform sampler2D texture0;
uniform sampler2D texture1;

float smoothNoise(vec2 p)
{
    vec2 cell = floor(p);
    vec2 f = fract(p);
    float a = randomValue(cell);
    float b = randomValue(cell + vec2(1.0, 0.0));
    float c = randomValue(cell + vec2(0.0, 1.0));
    float d = randomValue(cell + vec2(1.0, 1.0));
    vec2 w = f * f * (3.0 - 2.0 * f);
    return mix(mix(a, b, w.x), mix(c, d, w.x), w.y);
}

float saberSmokeNoise(vec2 p)
{
    float sum = 0.0;
    float a = 0.55;
    for (int octave = 0; octave < 4; ++octave) {
        sum += smoothNoise(p) * a;
        a *= 0.48;
        p = p * 2.03 + vec2(13.7, 7.1);
    }
    return sum;
}

float smokePatternValue(vec2 p, vec2 uv, float pattern, float turbulence, float spread)
{
    float warp = saberSmokeNoise(p * 0.48 + vec2(4.7, 9.2)) - 0.5;
    vec2 q = p + vec2(warp, -warp) * turbulence * 1.7;
    float n = saberSmokeNoise(q);
    if (pattern < 0.5) return n;
    if (pattern < 1.5) return mix(n, 1.0 - abs(2.0 * n - 1.0), 0.72);
    if (pattern < 2.5) return mix(n, 0.5 + 0.5 * sin(q.x * 3.4 + q.y * 1.15 + n * 4.8), 0.68);
    float w = max(0.08, 0.24 * spread);
    float x = (uv.x - 0.5) / w;
    return n * (0.28 + 0.92 * exp(-(x * x)));
}

float lum(vec3 c) { return dot(c, vec3(0.30, 0.59, 0.11)); }
float sat(vec3 c) { return max(max(c.r, c.g), c.b) - min(min(c.r, c.g), c.b); }

vec3 clipColor(vec3 c)
{
    float l = lum(c);
    float n = min(min(c.r, c.g), c.b);
    float x = max(max(c.r, c.g), c.b);
    if (n < 0.0) c = l + (c - l) * l / (l - n);
    if (x > 1.0) c = l + (c - l) * (1.0 - l) / (x - l);
    return c;
}

vec3 setLum(vec3 c, float l) { return clipColor(c + (l - lum(c))); }

vec3 setSat(vec3 c, float s)
{
    float n = min(min(c.r, c.g), c.b);
    float x = max(max(c.r, c.g), c.b);
    if (x <= n) return vec3(0.0);
    return (c - n) * s / (x - n);
}

bool isMode(float mode, float code) { return abs(mode - code) < 0.5; }

vec3 overlayChannels(vec3 base, vec3 source, vec3 selector)
{
    vec3 screened = 1.0 - 2.0 * (1.0 - base) * (1.0 - source);
    vec3 multiplied = 2.0 * base * source;
    return mix(multiplied, screened, step(0.5, selector));
}

// Blends `source` over `base` in the mode's way, by `opacity`.
vec3 applyBackgroundBlend(vec3 base, vec3 source, float opacity, float mode)
{
    vec3 blended = source;
    if (isMode(mode, 1.0)) blended = base * source;
    else if (isMode(mode, 2.0)) blended = 1.0 - (1.0 - base) * (1.0 - source);
    else if (isMode(mode, 3.0)) blended = overlayChannels(base, source, base);
    else if (isMode(mode, 4.0)) blended = min(base, source);
    else if (isMode(mode, 5.0)) blended = max(base, source);
    else if (isMode(mode, 6.0)) blended = min(vec3(1.0), base / max(vec3(0.0001), 1.0 - source));
    else if (isMode(mode, 7.0)) blended = 1.0 - min(vec3(1.0), (1.0 - base) / max(vec3(0.0001), source));
    else if (isMode(mode, 8.0)) blended = (1.0 - 2.0 * source) * base * base + 2.0 * source * sqrt(max(base, 0.0));
    else if (isMode(mode, 9.0)) blended = overlayChannels(base, source, source);
    else if (isMode(mode, 10.0)) blended = abs(base - source);
    else if (isMode(mode, 11.0)) blended = base + source - 2.0 * base * source;
    else if (isMode(mode, 12.0)) blended = setLum(setSat(source, sat(base)), lum(base));
    else if (isMode(mode, 13.0)) blended = setLum(setSat(base, sat(source)), lum(base));
    else if (isMode(mode, 14.0)) blended = setLum(source, lum(base));
    else if (isMode(mode, 15.0)) blended = setLum(base, lum(source));
    else if (isMode(mode, 16.0)) blended = source;
    else if (isMode(mode, 17.0)) return base;
    else if (isMode(mode, 18.0)) return base * (1.0 - opacity);
    else if (isMode(mode, 19.0)) blended = max(vec3(0.0), base + source - 1.0);
    else if (isMode(mode, 20.0)) blended = min(vec3(1.0), base + source);
    return mix(base, blended, opacity);
}

#ifdef OUTPUT_BACKDROP
void backdropFragment()
{
    vec2 uv = vUV;
    vec3 c = mix(stage.backgroundTopColor.rgb, stage.backgroundBottomColor.rgb, smoothstep(0.0, 1.0, uv.y));

    // Grain in an approximate sRGB space, so that it looks alike at every brightness;
    // the tile repeats every 480 x 200 points whatever the stage size.
    float grain = texture(texture1, uv * stage.size / vec2(480.0, 200.0)).r;
    vec3 encoded = pow(max(c, 0.0), vec3(1.0 / 2.2)) + (grain - 0.5) * stage.backgroundGrainIntensity;
    c = pow(max(encoded, 0.0), vec3(2.2));

    float vertical = 1.0 - smoothstep(0.0, 0.018, abs(fract(uv.x * 26.0) - 0.5));
    float horizontal = 1.0 - smoothstep(0.0, 0.025, abs(fract(uv.y * 14.0) - 0.5));
    c += stage.gridColor.rgb * max(vertical, horizontal) * stage.gridOpacity;

    if (stage.hasBackgroundImage > 0.5) {
        float viewAspect = stage.size.x / max(1.0, stage.size.y);
        float imageAspect = stage.backgroundImageSize.x / max(1.0, stage.backgroundImageSize.y);
        vec2 photoUV = uv;
        bool covered = true;
        if (stage.backgroundContentMode < 0.5) {
            if (imageAspect > viewAspect) photoUV.x = (uv.x - 0.5) * viewAspect / imageAspect + 0.5;
            else photoUV.y = (uv.y - 0.5) * imageAspect / viewAspect + 0.5;
        } else if (imageAspect > viewAspect) {
            float extent = viewAspect / imageAspect;
            covered = abs(uv.y - 0.5) <= extent * 0.5;
            photoUV.y = (uv.y - 0.5) / extent + 0.5;
        } else {
            float extent = imageAspect / viewAspect;
            covered = abs(uv.x - 0.5) <= extent * 0.5;
            photoUV.x = (uv.x - 0.5) / extent + 0.5;
        }
        if (covered)
            c = applyBackgroundBlend(c, texture(texture0, photoUV).rgb, stage.backgroundOpacity,
                                     stage.backgroundBlendMode);
    }

    // Smoke rising from the saber line.
    float d = uv.y - stage.impactPosition;
    float height = -d;
    float smokeScale = max(stage.smokeSize, 0.1);
    float spread = max(stage.smokeSpread, 0.1);
    float mask = smoothstep(-0.012, 0.018, height) * exp(-max(height, 0.0) * 17.0 / smokeScale);
    // Where even full smoke would change the colour by less than 1e-5 the noise is not worth computing.
    if (mask * stage.smokeIntensity * stage.smokeOpacity * 0.22 > 1e-5) {
        vec2 p = vec2(uv.x * 7.5 / spread + stage.time * 0.025 * stage.smokeSpeed,
                      height * 15.0 / smokeScale - stage.time * 0.075 * stage.smokeSpeed);
        float n = smokePatternValue(p, uv, stage.smokePattern, stage.smokeTurbulence, spread);
        float threshold = mix(0.68, 0.20, clamp(stage.smokeDensity / 2.5, 0.0, 1.0));
        float smoke = smoothstep(threshold, min(1.0, threshold + 0.34), n) * mask;
        vec3 smokeColor = mix(stage.smokePrimaryColor.rgb, stage.smokeSecondaryColor.rgb,
                              smoothstep(0.08, 0.92, uv.x + (n - 0.5) * 0.12));
        float amount = clamp(smoke * stage.smokeIntensity * stage.smokeOpacity * 0.22, 0.0, 1.0);
        c = applyBackgroundBlend(c, smokeColor, amount, stage.smokeBlendMode);
    }

    // The saber line; its opacity follows its own light, so that away from the
    // line no blend mode changes the stage.
    float thickness = max(stage.saberThickness, 0.5);
    float coreArg = d * 520.0 / thickness;
    float haloArg = d * 78.0 / thickness;
    float core = exp(-(coreArg * coreArg));
    float halo = exp(-(haloArg * haloArg));
    vec3 coreColor = mix(stage.saberColor.rgb, vec3(1.0), 0.72);
    vec3 layer = clamp(stage.saberColor.rgb * halo * 0.42 + coreColor * core * 0.9, 0.0, 1.0);
    float opacity = clamp(stage.saberIntensity * clamp(max(halo * 0.42, core * 0.9), 0.0, 1.0), 0.0, 1.0);
    c = applyBackgroundBlend(c, layer, opacity, stage.saberBlendMode);

    c = mix(c, c * c * 1.55, stage.contrastBoost * 0.72);
    fragColor = vec4(c, 1.0);
}

void bloomCompositeFragment()
{
    vec4 b = texture(texture0, vec2(vUV.x, 1.0 - vUV.y));
    fragColor = vec4(b.rgb * stage.glowIntensity * 1.35, b.a);
}

void particleBloomCompositeFragment()
{
    vec4 b = texture(texture0, vec2(vUV.x, 1.0 - vUV.y));
    fragColor = vec4(b.rgb * stage.particleGlowIntensity * 0.58, b.a);
}

// One direction of a separable Gaussian blur, texel pairs folded into single
// linear taps; outside the texture reads transparent (the sampler's border).
uniform vec2 blurDirection;
uniform int blurTapCount;
uniform float blurOffsets[32];
uniform float blurWeights[32];

void blurFragment()
{
    vec2 texel = 1.0 / vec2(textureSize(texture0, 0));
    vec2 centre = gl_FragCoord.xy * texel;
    vec4 sum = texture(texture0, centre) * blurWeights[0];
    for (int i = 1; i < blurTapCount; ++i) {
        vec2 offset = blurDirection * texel * blurOffsets[i];
        sum += (texture(texture0, centre + offset) + texture(texture0, centre - offset)) * blurWeights[i];
    }
    fragColor = sum;
}

// Copies the finished frame to the window, encoding linear colour as sRGB.
// A frame drawn smaller than the window (software GL) is scaled up by the
// sampler's linear filter; at full size each pixel reads its own texel centre.
uniform vec2 presentScale;

void presentFragment()
{
    vec2 source = gl_FragCoord.xy * presentScale / vec2(textureSize(texture0, 0));
    vec3 c = clamp(texture(texture0, source).rgb, 0.0, 1.0);
    vec3 low = c * 12.92;
    vec3 high = 1.055 * pow(c, vec3(1.0 / 2.4)) - 0.055;
    fragColor = vec4(mix(high, low, lessThanEqual(c, vec3(0.0031308))), 1.0);
}
#endif

#ifdef OUTPUT_KEYBOARD
void keyboardFragment()
{
    fragColor = texture(texture0, vUV);
}
#endif

#ifdef OUTPUT_KEYLIGHT
float keyLightShapeMask(vec2 uv)
{
    float upper = 1.0 - smoothstep(0.57, 0.64, uv.y);
    float left = mix(0.015, vTopInsets.x, upper);
    float right = mix(0.015, vTopInsets.y, upper);
    float horizontal = smoothstep(left, left + 0.045, uv.x) * (1.0 - smoothstep(1.0 - right - 0.045, 1.0 - right, uv.x));
    float vertical = smoothstep(0.0, 0.015, uv.y) * (1.0 - smoothstep(0.985, 1.0, uv.y));
    return horizontal * vertical;
}

void keyOverlayFragment()
{
    float alpha = vColor.a * keyLightShapeMask(vLocal * 0.5 + 0.5);
    fragColor = vec4(vColor.rgb * alpha, alpha);
}

void keyLightFragment()
{
    vec2 uv = vLocal * 0.5 + 0.5;
    float strike = exp(-uv.y * (vIsBlack > 0.5 ? 4.2 : 3.1));
    float reflectionArg = (uv.y - 0.72) * 5.0;
    float reflection = exp(-(reflectionArg * reflectionArg)) * 0.28;
    float illumination = (0.42 + strike * 0.48 + reflection) * keyLightShapeMask(uv);
    fragColor = vec4(vColor.rgb, vGlowOpacity * illumination);
}
#endif

#ifdef OUTPUT_QUAD
void quadFragment()
{
    float edge = max(abs(vLocal.x), abs(vLocal.y));
    fragColor = vec4(vColor.rgb, vColor.a * (1.0 - smoothstep(0.92, 1.0, edge)));
}

float roundedBoxDistance(vec2 p, vec2 halfSize, float r)
{
    vec2 q = abs(p) - (halfSize - r);
    return length(max(q, 0.0)) + min(max(q.x, q.y), 0.0) - r;
}

// A glass bar: darker core, bright rim, lighter towards its top, a faint diagonal highlight.
void noteFragment()
{
    vec2 halfSize = vSize * 0.5;
    vec2 p = vLocal * halfSize;
    vec2 uv = vLocal * 0.5 + 0.5;
    float r = min(5.5, min(halfSize.x, halfSize.y) * 0.46);
    float dist = roundedBoxDistance(p, halfSize, r);
    float coverage = 1.0 - smoothstep(-0.65, 0.65, dist);
    float rim = 1.0 - smoothstep(1.2, 4.8, max(-dist, 0.0));
    float along = 0.76 + 0.18 * (1.0 - uv.y);
    float glassArg = vLocal.x * 1.35;
    float centreGlass = 1.0 - exp(-(glassArg * glassArg));
    float diagonalArg = (uv.x + uv.y * 0.16 - 0.34) * 8.0;
    float diagonal = exp(-(diagonalArg * diagonalArg)) * 0.18;
    vec3 glass = vColor.rgb * (0.54 + centreGlass * 0.18) * along;
    vec3 colour = mix(glass, vColor.rgb * 1.22, rim * 0.78) + vColor.rgb * diagonal;
    float alpha = vColor.a * coverage * (0.82 + rim * 0.16);
    // As many layers of it blended one over another.
    fragColor = vec4(colour, 1.0 - pow(max(1.0 - alpha, 0.0), vLayers));
}

void noteBloomFragment()
{
    vec2 halfSize = vSize * 0.5;
    vec2 p = vLocal * halfSize;
    float r = min(7.5, min(halfSize.x, halfSize.y) * 0.48);
    float dist = roundedBoxDistance(p, halfSize, r);
    float coverage = 1.0 - smoothstep(-1.0, 2.5, dist);
    float centre = 1.0 - smoothstep(0.15, 1.0, abs(vLocal.x));
    // Added into a float target: as many layers add up to this.
    fragColor = vec4(vColor.rgb, vColor.a * coverage * (0.58 + centre * 0.34) * vLayers);
}
#endif

#ifdef OUTPUT_PARTICLE
float particleShapeMask(vec2 point, float material, float seed)
{
    float x = point.x;
    float y = point.y;
    if (material < 0.5) {
        float taper = mix(0.18, 0.82, smoothstep(-1.0, 0.55, y));
        return (1.0 - smoothstep(taper - 0.16, taper, abs(x))) * (1.0 - smoothstep(0.82, 1.0, abs(y)));
    }
    if (material < 1.5)
        return max((1.0 - smoothstep(0.62, 1.0, abs(x) + abs(0.82 * y))) * 0.78,
                   1.0 - smoothstep(0.0, 0.48, length(point)));
    if (material < 2.5) {
        float soft = 1.0 - smoothstep(0.08, 1.0, length(point));
        return soft * soft * (0.78 + 0.22 * randomValue(point * 7.0 + seed));
    }
    if (material < 3.5) {
        float w = 0.20 * sin(y * 4.6 + seed * 0.07);
        return (1.0 - smoothstep(0.13, 0.30, abs(x - w))) * (1.0 - smoothstep(0.78, 1.0, abs(y)));
    }
    if (material < 4.5) {
        float w = 0.27 * sin(y * 6.2 + seed * 0.05);
        return 1.0 - smoothstep(0.66, 1.0, length(vec2((x - w) * 1.8, y * 0.72)));
    }
    if (material < 5.5) {
        float width = mix(0.22, 0.72, smoothstep(-1.0, 0.75, y));
        return 1.0 - smoothstep(0.72, 1.0, length(vec2(x / width, y * 0.88)));
    }
    float flash = 1.0 - smoothstep(0.02, 1.0, length(point));
    return flash * flash;
}

void particleFragment()
{
    float alpha = particleShapeMask(vLocal, vMaterial, vSeed) * vColor.a;
    float rim = 1.0 - smoothstep(0.0, 0.72, length(vLocal));
    fragColor = vec4(vColor.rgb * (0.76 + rim * 0.48) * alpha, alpha);
}

void particleBloomFragment()
{
    float emission = (vMaterial > 1.5 && vMaterial < 2.5) ? 0.58 : 1.0;
    fragColor = vec4(vColor.rgb, particleShapeMask(vLocal, vMaterial, vSeed) * vColor.a * emission);
}
#endif

#endif

void main()
{
    STAGE_ENTRY();
}
)GLSL";

std::string_view outputDefine(StageShaderOutput output)
{
    switch (output) {
    case StageShaderOutput::backdrop: return "OUTPUT_BACKDROP";
    case StageShaderOutput::quad: return "OUTPUT_QUAD";
    case StageShaderOutput::keyboard: return "OUTPUT_KEYBOARD";
    case StageShaderOutput::particle: return "OUTPUT_PARTICLE";
    case StageShaderOutput::keyLight: return "OUTPUT_KEYLIGHT";
    }
    return "OUTPUT_BACKDROP";
}

} // namespace

std::string_view stageShaderSource() { return source; }

std::string stageShaderText(std::string_view text, bool vertexStage, std::string_view function,
                            StageShaderOutput output)
{
    std::string result = "#version 330 core\n";
    result += vertexStage ? "#define STAGE_VERTEX\n" : "#define STAGE_FRAGMENT\n";
    result += "#define ";
    result += outputDefine(output);
    result += "\n#define STAGE_ENTRY ";
    result += function;
    result += "\n#line 1\n";
    result += text;
    return result;
}

} // namespace corvane
