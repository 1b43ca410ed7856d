#include "platform/gpu/gl/GlShaders.h"

#include <epoxy/gl.h>

#include <cstdio>

namespace gpu {

namespace {

std::string ArgExpr(uint32_t packed, uint32_t stage) {
    std::string base;
    switch (packed & kCombinerArgSelect) {
    case Ta::Diffuse:
        base = "vColor";
        break;
    case Ta::Current:
        base = "cur";
        break;
    case Ta::Texture:
        base = stage == 0 ? "t0" : "t1";
        break;
    case Ta::TFactor:
        base = "uTFactor";
        break;
    default:
        base = "vec4(0.0)";
        break; // specular and temporary registers hold black
    }
    if (packed & 0x8)
        base = "(vec4(1.0) - " + base + ")";
    if (packed & 0x10)
        base = "vec4((" + base + ").a)";
    return base;
}

std::string OpExpr(uint32_t op, const std::string& a1, const std::string& a2) {
    switch (op) {
    case Top::SelectArg1:
        return a1;
    case Top::SelectArg2:
        return a2;
    case Top::Modulate2x:
        return "clamp(" + a1 + " * " + a2 + " * 2.0, 0.0, 1.0)";
    case Top::Modulate4x:
        return "clamp(" + a1 + " * " + a2 + " * 4.0, 0.0, 1.0)";
    case Top::Add:
        return "clamp(" + a1 + " + " + a2 + ", 0.0, 1.0)";
    default:
        return "(" + a1 + " * " + a2 + ")";
    }
}

} // namespace

uint32_t GlBlendFactor(uint32_t blend, bool isSource) {
    switch (blend) {
    case Blend::Zero:
        return GL_ZERO;
    case Blend::One:
        return GL_ONE;
    case Blend::SrcColor:
        return GL_SRC_COLOR;
    case Blend::InvSrcColor:
        return GL_ONE_MINUS_SRC_COLOR;
    case Blend::SrcAlpha:
        return GL_SRC_ALPHA;
    case Blend::InvSrcAlpha:
        return GL_ONE_MINUS_SRC_ALPHA;
    case Blend::DestAlpha:
        return GL_DST_ALPHA;
    case Blend::InvDestAlpha:
        return GL_ONE_MINUS_DST_ALPHA;
    case Blend::DestColor:
        return GL_DST_COLOR;
    case Blend::InvDestColor:
        return GL_ONE_MINUS_DST_COLOR;
    case 11:
        return GL_SRC_ALPHA_SATURATE;
    default:
        return isSource ? GL_ONE : GL_ZERO;
    }
}

uint32_t GlCompareFunc(uint32_t cmp) {
    switch (cmp) {
    case Cmp::Never:
        return GL_NEVER;
    case Cmp::Less:
        return GL_LESS;
    case Cmp::Equal:
        return GL_EQUAL;
    case Cmp::LessEqual:
        return GL_LEQUAL;
    case Cmp::Greater:
        return GL_GREATER;
    case Cmp::NotEqual:
        return GL_NOTEQUAL;
    case Cmp::GreaterEqual:
        return GL_GEQUAL;
    default:
        return GL_ALWAYS;
    }
}

uint32_t GlAddressMode(uint32_t address) {
    switch (address) {
    case Tadr::Mirror:
        return GL_MIRRORED_REPEAT;
    case Tadr::Clamp:
        return GL_CLAMP_TO_EDGE;
    case 4:
        return GL_CLAMP_TO_EDGE; // border: the game never sets a border colour
    case 5:
        return GL_CLAMP_TO_EDGE; // mirror once
    default:
        return GL_REPEAT;
    }
}

uint32_t GlMinFilter(uint32_t minFilter, uint32_t mipFilter) {
    bool linear = minFilter >= Tf::Linear; // anisotropic and the like filter linearly
    // A linear mip filter reads the nearest level, as on our rasteriser,
    // which picks one level a triangle (the game asks for point mips only).
    if (mipFilter == Tf::Point || mipFilter == Tf::Linear)
        return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    return linear ? GL_LINEAR : GL_NEAREST;
}

uint32_t GlMagFilter(uint32_t magFilter) {
    return magFilter >= Tf::Linear ? GL_LINEAR : GL_NEAREST;
}

const char* CombinerVertexShader() {
    return R"(#version 330 core
layout(location = 0) in vec3 aPos;
layout(location = 1) in vec4 aColor;
layout(location = 2) in vec2 aUv0;
layout(location = 3) in vec2 aUv1;
uniform mat4 uMvp;
uniform vec2 uPixelShift;
out vec4 vColor;
out vec2 vUv0;
out vec2 vUv1;
void main() {
    vec4 c = uMvp * vec4(aPos, 1.0);
    c.xy += uPixelShift * c.w;
    c.z = 2.0 * c.z - c.w;
    gl_Position = c;
    vColor = aColor;
    vUv0 = aUv0;
    vUv1 = aUv1;
}
)";
}

std::string CombinerFragmentShader(CombinerKey key) {
    std::string s = "#version 330 core\n"
                    "in vec4 vColor;\nin vec2 vUv0;\nin vec2 vUv1;\n"
                    "uniform sampler2D uTex0;\nuniform sampler2D uTex1;\n"
                    "uniform vec4 uTFactor;\nuniform float uAlphaRef;\n"
                    "out vec4 oColor;\n"
                    "void main() {\n"
                    "    vec4 cur = vColor;\n";
    for (uint32_t st = 0; st < kCombinerStages; ++st) {
        CombinerStage k = UnpackCombinerStage(key, st);
        if (k.colorOp == 0)
            break;
        std::string n = std::to_string(st);
        if (CombinerStageSamples(k))
            s += "    vec4 t" + n + " = texture(uTex" + n + ", " + (k.uvSet ? "vUv1" : "vUv0") +
                 ");\n";
        std::string c =
            OpExpr(k.colorOp, ArgExpr(k.colorArg1, st) + ".rgb", ArgExpr(k.colorArg2, st) + ".rgb");
        std::string a = k.alphaOp == 0 ? std::string("cur.a")
                                       : OpExpr(k.alphaOp, ArgExpr(k.alphaArg1, st) + ".a",
                                                ArgExpr(k.alphaArg2, st) + ".a");
        s += "    cur = vec4(" + c + ", " + a + ");\n";
    }
    uint32_t func = CombinerAlphaFunc(key);
    if (func != 0) {
        // The original compares the 8-bit alpha with the 8-bit reference.
        s += "    float a8 = floor(clamp(cur.a, 0.0, 1.0) * 255.0 + 0.5);\n";
        const char* test = "false";
        switch (func) {
        case Cmp::Less:
            test = "a8 < uAlphaRef";
            break;
        case Cmp::Equal:
            test = "a8 == uAlphaRef";
            break;
        case Cmp::LessEqual:
            test = "a8 <= uAlphaRef";
            break;
        case Cmp::Greater:
            test = "a8 > uAlphaRef";
            break;
        case Cmp::NotEqual:
            test = "a8 != uAlphaRef";
            break;
        case Cmp::GreaterEqual:
            test = "a8 >= uAlphaRef";
            break;
        default:
            break; // never
        }
        s += std::string("    if (!(") + test + ")) discard;\n";
    }
    s += "    oColor = cur;\n}\n";
    return s;
}

const char* PresentVertexShader() {
    return R"(#version 330 core
out vec2 vUv;
void main() {
    vec2 p = vec2(float((gl_VertexID << 1) & 2), float(gl_VertexID & 2));
    vUv = p;
    gl_Position = vec4(p * 2.0 - 1.0, 0.0, 1.0);
}
)";
}

const char* PresentFragmentShader() {
    return R"(#version 330 core
in vec2 vUv;
uniform sampler2D uImage;
uniform sampler2D uRamp;
out vec4 oColor;
float Look(float v, int channel) {
    // Texel centres of the 256-entry ramp; filtered between entries when the
    // picture is scaled and v falls between two 8-bit values.
    vec4 r = texture(uRamp, vec2((v * 255.0 + 0.5) / 256.0, 0.5));
    return r[channel];
}
void main() {
    vec3 c = texture(uImage, vUv).rgb;
    oColor = vec4(Look(c.r, 0), Look(c.g, 1), Look(c.b, 2), 1.0);
}
)";
}

uint32_t CompileShader(uint32_t type, const char* src) {
    GLuint s = glCreateShader(type);
    glShaderSource(s, 1, &src, nullptr);
    glCompileShader(s);
    GLint ok = 0;
    glGetShaderiv(s, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[1024] = {};
        glGetShaderInfoLog(s, sizeof(log) - 1, nullptr, log);
        std::fprintf(stderr, "GL shader compile failed: %s\n", log);
        glDeleteShader(s);
        return 0;
    }
    return s;
}

uint32_t LinkProgram(uint32_t vs, uint32_t fs) {
    GLuint p = glCreateProgram();
    glAttachShader(p, vs);
    glAttachShader(p, fs);
    glLinkProgram(p);
    glDetachShader(p, vs);
    glDetachShader(p, fs);
    GLint ok = 0;
    glGetProgramiv(p, GL_LINK_STATUS, &ok);
    if (!ok) {
        char log[1024] = {};
        glGetProgramInfoLog(p, sizeof(log) - 1, nullptr, log);
        std::fprintf(stderr, "GL program link failed: %s\n", log);
        glDeleteProgram(p);
        return 0;
    }
    return p;
}

} // namespace gpu
