#pragma once

#include "scene/SceneObjects.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace tavrik {

// What the viewer draws: the objects in drawing order (the order of the scene
// text), one ego record per frame (frame n uses egos[n]), and the GL texture
// names that the scene text's texture numbers index (position n = texture
// number n).
struct Scene {
    std::vector<std::unique_ptr<Obiekt>> objects;
    std::vector<std::unique_ptr<Ego>> egos;
    // Filled and owned by the renderer.
    std::vector<std::uint32_t> textures;

    // Releases every object and ego record; the texture list stays.
    void FreeScene()
    {
        objects.clear();
        egos.clear();
    }
};

} // namespace tavrik
