#include "render/RenderState.h"

#include "output/Bmp.h"

#include <GL/gl.h>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>

namespace tavrik {

double FieldOfViewY(int height, double focalLength)
{
    return std::atan(height / (2.0 * focalLength)) * 2.0 * 180.0 * (1.0 / 3.1415);
}

double AspectRatio(int width, int height)
{
    return static_cast<float>(static_cast<double>(width) / height);
}

Mat4 ViewPerspective(int width, int height, double focalLength)
{
    return Perspective(FieldOfViewY(height, focalLength), AspectRatio(width, height), nearDistance,
                       farDistance);
}

std::vector<std::uint8_t> TextureTexels(const RgbImage& bitmap)
{
    std::vector<std::uint8_t> texels(textureSize * textureSize * 4, 255);
    for (int r = 0; r < textureSize; ++r)
        for (int c = 0; c < textureSize; ++c) {
            if (r >= bitmap.width() || c >= bitmap.height())
                continue;
            const Rgb pixel = bitmap.at(r, c);
            std::uint8_t* texel = &texels[(r * textureSize + c) * 4];
            texel[0] = pixel.red;
            texel[1] = pixel.green;
            texel[2] = pixel.blue;
        }
    return texels;
}

std::string TexturePath(const std::string& folder, int index)
{
    std::string path = folder;
    if (!path.empty() && path.back() != '/')
        path += '/';
    return path + "tex" + std::to_string(index) + ".bmp";
}

void SetAntiAliasing(bool antiAliasing)
{
    const GLenum smoothing[] = {GL_POINT_SMOOTH, GL_LINE_SMOOTH, GL_POLYGON_SMOOTH};
    if (antiAliasing) {
        for (GLenum cap : smoothing)
            glEnable(cap);
        glHint(GL_POLYGON_SMOOTH_HINT, GL_NICEST);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    } else {
        for (GLenum cap : smoothing)
            glDisable(cap);
        glDisable(GL_BLEND);
    }
}

void SetFixedRenderState(bool antiAliasing)
{
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    SetAntiAliasing(antiAliasing);
    glMatrixMode(GL_MODELVIEW);

    glEnable(GL_LIGHTING);
    glEnable(GL_NORMALIZE);
    glEnable(GL_AUTO_NORMAL);
    const GLfloat globalAmbient[] = {0.3f, 0.3f, 0.3f, 1.0f};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, globalAmbient);
    const GLfloat ambient[] = {0.3f, 0.3f, 0.3f, 1.0f};
    const GLfloat diffuse[] = {0.7f, 0.7f, 0.7f, 1.0f};
    const GLfloat specular[] = {0.9f, 0.9f, 0.9f, 1.0f};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
    glEnable(GL_LIGHT0);

    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT, GL_AMBIENT_AND_DIFFUSE);
    const GLfloat materialSpecular[] = {0.6f, 0.6f, 0.6f, 1.0f};
    glMaterialfv(GL_FRONT, GL_SPECULAR, materialSpecular);
    glMaterialf(GL_FRONT, GL_SHININESS, 64.0f);
}

namespace {

void DeleteTextures(std::vector<std::uint32_t>& names)
{
    for (std::uint32_t name : names) {
        const GLuint glName = name;
        glDeleteTextures(1, &glName);
    }
    names.clear();
}

} // namespace

void LoadTextures(const std::string& folder, std::vector<std::uint32_t>& names)
{
    DeleteTextures(names);
    for (int i = 0; i < textureCount; ++i) {
        const std::vector<std::uint8_t> texels = TextureTexels(ReadBmpFile(TexturePath(folder, i)));
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, textureSize, textureSize, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     texels.data());
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        names.push_back(name);
    }
}

std::string TextureFolderStamp(const std::string& folder)
{
    std::string stamp = folder;
    for (int i = 0; i < textureCount; ++i) {
        struct stat file {};
        if (stat(TexturePath(folder, i).c_str(), &file) != 0) {
            stamp += "\n-";
            continue;
        }
        stamp += "\n" + std::to_string(file.st_ino) + " " + std::to_string(file.st_size) + " "
            + std::to_string(file.st_mtim.tv_sec) + "." + std::to_string(file.st_mtim.tv_nsec);
    }
    return stamp;
}

} // namespace tavrik
