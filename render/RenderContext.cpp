#include "render/RenderContext.h"

#include "base/UserError.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include "base/Check.h"
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace tavrik {

struct RenderContext::Egl {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
    GLuint framebuffer = 0;
    GLuint colourBuffer = 0;
    GLuint depthBuffer = 0;
    GLuint idBuffer = 0;
    GLuint idProgram = 0;
    bool blendWasOn = false;
    bool lightingWasOn = false;
    std::string description;

    PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
    PFNGLBLENDEQUATIONPROC blendEquation = nullptr;
    PFNGLGENPROGRAMSARBPROC genPrograms = nullptr;
    PFNGLDELETEPROGRAMSARBPROC deletePrograms = nullptr;
    PFNGLBINDPROGRAMARBPROC bindProgram = nullptr;
    PFNGLPROGRAMSTRINGARBPROC programString = nullptr;
    PFNGLSECONDARYCOLOR3UBPROC secondaryColour = nullptr;

    // Also runs when the constructor fails part-way, so it may not throw.
    ~Egl()
    {
        if (context == EGL_NO_CONTEXT)
            return;
        if (framebuffer && eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context) == EGL_TRUE) {
            bindFramebuffer(GL_FRAMEBUFFER, 0);
            deleteFramebuffers(1, &framebuffer);
            const GLuint buffers[] = {colourBuffer, depthBuffer, idBuffer};
            deleteRenderbuffers(3, buffers);
            if (idProgram)
                deletePrograms(1, &idProgram);
        }
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(display, context);
        // The display stays initialised: EGL displays are shared by the
        // whole process, and terminating one would pull it from under other
        // contexts.
    }
};

namespace {

[[noreturn]] void Fail(const std::string& what)
{
    throw UserError("Cannot create the OpenGL context: " + what);
}

std::string EglErrorText()
{
    char text[32];
    std::snprintf(text, sizeof text, "EGL error 0x%04X", static_cast<unsigned>(eglGetError()));
    return text;
}

template <typename F>
F Load(const char* name)
{
    auto f = reinterpret_cast<F>(eglGetProcAddress(name));
    if (!f)
        Fail(std::string("the driver lacks ") + name);
    return f;
}

// A desktop OpenGL context in the compatibility profile on `display`, or
// EGL_NO_CONTEXT. Every drawing goes to our own framebuffer object, so the
// context needs no surface and no config of its own where the display
// allows that.
EGLContext CreateCompatibilityContext(EGLDisplay display)
{
    EGLint major = 0, minor = 0;
    if (display == EGL_NO_DISPLAY || eglInitialize(display, &major, &minor) != EGL_TRUE
        || eglBindAPI(EGL_OPENGL_API) != EGL_TRUE)
        return EGL_NO_CONTEXT;
    const EGLint contextAttributes[] = {
        EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    EGLContext context = eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, contextAttributes);
    if (context == EGL_NO_CONTEXT) {
        const EGLint configAttributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
        EGLConfig config = nullptr;
        EGLint count = 0;
        if (eglChooseConfig(display, configAttributes, &config, 1, &count) == EGL_TRUE && count > 0)
            context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    }
    return context;
}

// Makes the context on the first display that gives one: an EGL device (GPU
// or software), then Mesa's surfaceless platform, then the default display.
void OpenContext(EGLDisplay& display, EGLContext& context, std::string& kind)
{
    std::vector<std::pair<EGLDisplay, const char*>> candidates;
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    auto queryDevices = reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
    if (getPlatformDisplay && queryDevices) {
        EGLDeviceEXT devices[16];
        EGLint count = 0;
        if (queryDevices(16, devices, &count) == EGL_TRUE)
            for (EGLint i = 0; i < count; ++i)
                candidates.emplace_back(getPlatformDisplay(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr),
                                        "EGL device");
    }
    if (getPlatformDisplay)
        candidates.emplace_back(getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr),
                                "surfaceless EGL");
    candidates.emplace_back(eglGetDisplay(EGL_DEFAULT_DISPLAY), "default EGL display");

    for (const auto& [candidate, name] : candidates) {
        context = CreateCompatibilityContext(candidate);
        if (context != EGL_NO_CONTEXT) {
            display = candidate;
            kind = name;
            return;
        }
    }
    Fail("no EGL display gave a desktop OpenGL compatibility context (tried EGL devices, the surfaceless "
         "platform and the default display; last " + EglErrorText() + ")");
}

} // namespace

// A fragment program that only passes on the secondary colour: it replaces
// the whole fixed-function colour path (lighting's result, texturing, fog),
// so the colour an object's own drawing sets cannot reach the id buffer. The
// fragment's depth is not touched. The id travels as a vertex attribute that
// no object sets: a state change between two objects would split OpenGL's
// batches of vertices differently from the view's, and the driver may then
// transform a vertex along another path, off by the last bit of its depth.
void RenderContext::CreateIdProgram(Egl& egl)
{
    egl.blendEquation = Load<PFNGLBLENDEQUATIONPROC>("glBlendEquation");
    egl.genPrograms = Load<PFNGLGENPROGRAMSARBPROC>("glGenProgramsARB");
    egl.deletePrograms = Load<PFNGLDELETEPROGRAMSARBPROC>("glDeleteProgramsARB");
    egl.bindProgram = Load<PFNGLBINDPROGRAMARBPROC>("glBindProgramARB");
    egl.programString = Load<PFNGLPROGRAMSTRINGARBPROC>("glProgramStringARB");
    egl.secondaryColour = Load<PFNGLSECONDARYCOLOR3UBPROC>("glSecondaryColor3ub");
    static constexpr char source[] = "!!ARBfp1.0\nMOV result.color, fragment.color.secondary;\nEND\n";
    egl.genPrograms(1, &egl.idProgram);
    egl.bindProgram(GL_FRAGMENT_PROGRAM_ARB, egl.idProgram);
    egl.programString(GL_FRAGMENT_PROGRAM_ARB, GL_PROGRAM_FORMAT_ASCII_ARB, sizeof source - 1, source);
    if (glGetError() != GL_NO_ERROR)
        Fail("the driver does not take the id pass's fragment program");
}

RenderContext::RenderContext(int width, int height)
    : egl_(std::make_unique<Egl>()), width_(width), height_(height)
{
    if (width <= 0 || height <= 0)
        Fail("the drawing area is empty");
    std::string kind;
    OpenContext(egl_->display, egl_->context, kind);
    MakeCurrent();

    egl_->genFramebuffers = Load<PFNGLGENFRAMEBUFFERSPROC>("glGenFramebuffers");
    egl_->deleteFramebuffers = Load<PFNGLDELETEFRAMEBUFFERSPROC>("glDeleteFramebuffers");
    egl_->bindFramebuffer = Load<PFNGLBINDFRAMEBUFFERPROC>("glBindFramebuffer");
    egl_->genRenderbuffers = Load<PFNGLGENRENDERBUFFERSPROC>("glGenRenderbuffers");
    egl_->deleteRenderbuffers = Load<PFNGLDELETERENDERBUFFERSPROC>("glDeleteRenderbuffers");
    egl_->bindRenderbuffer = Load<PFNGLBINDRENDERBUFFERPROC>("glBindRenderbuffer");
    egl_->renderbufferStorage = Load<PFNGLRENDERBUFFERSTORAGEPROC>("glRenderbufferStorage");
    egl_->framebufferRenderbuffer = Load<PFNGLFRAMEBUFFERRENDERBUFFERPROC>("glFramebufferRenderbuffer");
    egl_->checkFramebufferStatus = Load<PFNGLCHECKFRAMEBUFFERSTATUSPROC>("glCheckFramebufferStatus");

    egl_->genFramebuffers(1, &egl_->framebuffer);
    egl_->bindFramebuffer(GL_FRAMEBUFFER, egl_->framebuffer);
    egl_->genRenderbuffers(1, &egl_->colourBuffer);
    egl_->bindRenderbuffer(GL_RENDERBUFFER, egl_->colourBuffer);
    egl_->renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    egl_->framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, egl_->colourBuffer);
    egl_->genRenderbuffers(1, &egl_->depthBuffer);
    egl_->bindRenderbuffer(GL_RENDERBUFFER, egl_->depthBuffer);
    egl_->renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
    egl_->framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, egl_->depthBuffer);
    egl_->genRenderbuffers(1, &egl_->idBuffer);
    egl_->bindRenderbuffer(GL_RENDERBUFFER, egl_->idBuffer);
    egl_->renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    egl_->framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT1, GL_RENDERBUFFER, egl_->idBuffer);
    if (egl_->checkFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        Fail("the off-screen framebuffer of " + std::to_string(width) + " x " + std::to_string(height)
             + " is not complete");
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    // A window-bound context starts with the viewport on the whole client
    // area; ours has no window, so it is set here once.
    glViewport(0, 0, width, height);
    CreateIdProgram(*egl_);

    const auto text = [](GLenum name) {
        const auto* value = reinterpret_cast<const char*>(glGetString(name));
        return std::string(value ? value : "?");
    };
    egl_->description = text(GL_VERSION) + ", " + text(GL_RENDERER) + ", " + kind;
}

RenderContext::~RenderContext() = default;

void RenderContext::MakeCurrent()
{
    if (eglMakeCurrent(egl_->display, EGL_NO_SURFACE, EGL_NO_SURFACE, egl_->context) != EGL_TRUE)
        Fail("eglMakeCurrent failed (" + EglErrorText() + ")");
}

void RenderContext::Present()
{
    glFinish();
}

std::vector<std::uint8_t> RenderContext::ReadColour() const
{
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width_) * height_ * 3);
    // Rows of 3·W bytes need no padding whatever the width.
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return rgb;
}

std::vector<float> RenderContext::ReadDepth() const
{
    std::vector<float> depth;
    ReadDepth(depth);
    return depth;
}

void RenderContext::ReadDepth(std::vector<float>& into) const
{
    into.resize(static_cast<std::size_t>(width_) * height_);
    glReadPixels(0, 0, width_, height_, GL_DEPTH_COMPONENT, GL_FLOAT, into.data());
}

void RenderContext::ReadDepth(const PixelRect& region, std::span<float> into) const
{
    TAVRIK_CHECK_EQ(into.size(), static_cast<std::size_t>(width_) * height_);
    TAVRIK_CHECK(!region.empty() && region.x >= 0 && region.y >= 0 && region.x + region.width <= width_
           && region.y + region.height <= height_);
    glPixelStorei(GL_PACK_ROW_LENGTH, width_);
    glReadPixels(region.x, region.y, region.width, region.height, GL_DEPTH_COMPONENT, GL_FLOAT,
                 into.data() + static_cast<std::size_t>(region.y) * width_ + region.x);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
}

// Lighting no longer reaches any colour once the id program colours the
// fragments; leaving it off saves its cost.
void RenderContext::BeginIdFragments(Egl& egl)
{
    egl.lightingWasOn = glIsEnabled(GL_LIGHTING);
    glDisable(GL_LIGHTING);
    glEnable(GL_FRAGMENT_PROGRAM_ARB);
    egl.bindProgram(GL_FRAGMENT_PROGRAM_ARB, egl.idProgram);
}

void RenderContext::EndIdFragments(const Egl& egl)
{
    glDisable(GL_FRAGMENT_PROGRAM_ARB);
    if (egl.lightingWasOn)
        glEnable(GL_LIGHTING);
}

void RenderContext::BeginIdPass()
{
    egl_->blendWasOn = glIsEnabled(GL_BLEND);
    glDrawBuffer(GL_COLOR_ATTACHMENT1);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDepthFunc(GL_EQUAL);
    glDepthMask(GL_FALSE);
    // GL_MIN ignores the blend factors, so the smoothing's coverage alpha
    // cannot mix colours; dithering could move a channel by one level.
    glEnable(GL_BLEND);
    egl_->blendEquation(GL_MIN);
    glDisable(GL_DITHER);
    BeginIdFragments(*egl_);
}

void RenderContext::SetIdColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    egl_->secondaryColour(red, green, blue);
}

void RenderContext::EndIdPass()
{
    EndIdFragments(*egl_);
    glEnable(GL_DITHER);
    egl_->blendEquation(GL_FUNC_ADD);
    if (!egl_->blendWasOn)
        glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LESS);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
}

void RenderContext::BeginDepthPass()
{
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    BeginIdFragments(*egl_);
}

void RenderContext::EndDepthPass()
{
    EndIdFragments(*egl_);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}

std::vector<std::uint8_t> RenderContext::ReadIdColour() const
{
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width_) * height_ * 4);
    glReadBuffer(GL_COLOR_ATTACHMENT1);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    return rgba;
}

const std::string& RenderContext::description() const
{
    return egl_->description;
}

} // namespace tavrik
