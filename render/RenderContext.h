#pragma once

#include "output/PixelRect.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tavrik {

// The drawing surface: a desktop OpenGL context (compatibility profile, so
// the fixed-function pipeline and GLU work) made through EGL without any
// window system, rendering into an off-screen framebuffer of the drawing
// area's size with 8-bit RGBA colour, a 24-bit depth and an 8-bit stencil
// buffer. Displays are tried in this order: an EGL device, Mesa's
// surfaceless platform, the default display; whichever answers first serves.
// With no display and no GPU, Mesa's software rasteriser does the work.
//
// "Presenting" a frame means finishing it in the framebuffer: colour and
// depth are read back from there. The context is current on the thread that
// created it from construction on.
class RenderContext {
public:
    // Throws UserError when no context can be made, naming what failed.
    RenderContext(int width, int height);
    ~RenderContext();
    RenderContext(const RenderContext&) = delete;
    RenderContext& operator=(const RenderContext&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }

    void MakeCurrent();
    // Waits until every command sent so far has reached the framebuffer.
    void Present();

    // width · height RGB triples, rows tightly packed, bottom row first.
    std::vector<std::uint8_t> ReadColour() const;
    // width · height depth values in [0, 1], bottom row first.
    std::vector<float> ReadDepth() const;
    void ReadDepth(std::vector<float>& into) const;
    // Depth of `region` into the same places of `into`, a whole-view buffer
    // (bottom row first); the rest of `into` is left as it is.
    void ReadDepth(const PixelRect& region, std::span<float> into) const;

    // The id pass: every object is drawn once more over the finished view,
    // where only fragments at exactly the depth the view left pass (depth
    // test GL_EQUAL, no depth writes), into a colour buffer of its own so the
    // view's colours stay. Each fragment takes the colour set with
    // SetIdColour, whatever the object sets itself, and the buffer keeps the
    // per-channel minimum over the fragments (GL_MIN). The rest of the
    // render state (smoothing, culling, the matrices) is the view's, so the
    // fragments' depths are the view's to the last bit. Between Begin and
    // End only drawing calls may be made.
    void BeginIdPass();
    // The colour of the objects drawn next; channel values 0 to 255, stored
    // exactly.
    void SetIdColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
    void EndIdPass();
    // The id pass's buffer: width · height RGBA quadruples, bottom row first;
    // 255 in every channel where no fragment reached.
    std::vector<std::uint8_t> ReadIdColour() const;

    // A pass that keeps only depth: colour writes and lighting off, and the
    // id pass's fragment program in place of texturing, so a fragment costs
    // little more than its depth test. Texturing itself stays on: switched
    // off, it changes how the driver transforms vertices, and some depths
    // would then differ from the view's in the last bit. Between Begin and
    // End only the scissor, clearing, the matrices and drawing calls may be
    // made.
    void BeginDepthPass();
    void EndDepthPass();

    // e.g. "4.5 (Compatibility Profile) Mesa 22.3.6, llvmpipe (…), EGL device"
    const std::string& description() const;

private:
    struct Egl;
    static void CreateIdProgram(Egl& egl);
    // The id program in place of the fixed colour path, lighting off; End
    // puts lighting back as it was.
    static void BeginIdFragments(Egl& egl);
    static void EndIdFragments(const Egl& egl);
    std::unique_ptr<Egl> egl_;
    int width_ = 0;
    int height_ = 0;
};

} // namespace tavrik
