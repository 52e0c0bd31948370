#include "render/ViewDepths.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>

namespace tavrik {

namespace {

// Whether all `bytes` were read or written at `offset`.
template <typename Io, typename Pointer>
bool WholeIo(Io io, int fd, Pointer data, std::size_t bytes, off_t offset)
{
    while (bytes > 0) {
        const ssize_t n = io(fd, data, bytes, offset);
        if (n <= 0)
            return false;
        data += n;
        bytes -= static_cast<std::size_t>(n);
        offset += n;
    }
    return true;
}

} // namespace

ViewDepths::ViewDepths(const std::string& folder, int width, int height, std::vector<std::string> sceneLines)
    : fd_(::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600)),
      width_(width),
      height_(height),
      sceneLines_(std::move(sceneLines))
{
}

ViewDepths::~ViewDepths()
{
    if (fd_ >= 0)
        ::close(fd_);
}

std::size_t ViewDepths::recordBytes() const
{
    return sizeof(Mat4::m) + static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) * sizeof(float);
}

void ViewDepths::Add(int frameIndex, const Mat4& camera, std::span<const float> depth)
{
    if (fd_ < 0 || frameIndex < 0 || depth.size() != static_cast<std::size_t>(width_) * height_)
        return;
    const off_t at = static_cast<off_t>(recordBytes() * static_cast<std::size_t>(frameIndex));
    const auto* matrix = reinterpret_cast<const char*>(camera.m.data());
    const auto* values = reinterpret_cast<const char*>(depth.data());
    if (!WholeIo(::pwrite, fd_, matrix, sizeof(Mat4::m), at)
        || !WholeIo(::pwrite, fd_, values, depth.size_bytes(), at + static_cast<off_t>(sizeof(Mat4::m)))) {
        ::close(fd_);
        fd_ = -1;
        return;
    }
    if (kept_.size() <= static_cast<std::size_t>(frameIndex))
        kept_.resize(static_cast<std::size_t>(frameIndex) + 1);
    kept_[static_cast<std::size_t>(frameIndex)] = true;
}

bool ViewDepths::Serves(const std::vector<std::string>& sceneLines, int width, int height) const
{
    return fd_ >= 0 && width == width_ && height == height_ && sceneLines == sceneLines_;
}

bool ViewDepths::Take(int frameIndex, const Mat4& camera, std::vector<float>& depth)
{
    if (fd_ < 0 || frameIndex < 0 || static_cast<std::size_t>(frameIndex) >= kept_.size()
        || !kept_[static_cast<std::size_t>(frameIndex)])
        return false;
    kept_[static_cast<std::size_t>(frameIndex)] = false;
    const off_t at = static_cast<off_t>(recordBytes() * static_cast<std::size_t>(frameIndex));
    Mat4 kept;
    depth.resize(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
    const bool found =
        WholeIo(::pread, fd_, reinterpret_cast<char*>(kept.m.data()), sizeof(Mat4::m), at)
        && std::memcmp(kept.m.data(), camera.m.data(), sizeof(Mat4::m)) == 0
        && WholeIo(::pread, fd_, reinterpret_cast<char*>(depth.data()), depth.size() * sizeof(float),
                   at + static_cast<off_t>(sizeof(Mat4::m)));
    ::fallocate(fd_, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, at, static_cast<off_t>(recordBytes()));
    return found;
}

} // namespace tavrik
