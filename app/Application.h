#pragma once

#include "render/GenerationSettings.h"

#include <memory>

namespace tavrik::gui {

class TForm1;
class TForm2;
class TForm3;

// The program's three windows over one record of settings, made in the
// order that lets each read what it needs: the control panel, the scene
// editor (whose palette strip reads the palette switch), then the viewer
// (whose drawing surface reads the antialiasing switch). Nothing is
// prepared or rendered by making them.
class Application {
public:
    // The settings start from their defaults, with the locale's decimal
    // separator and the texture folder of this machine.
    Application();
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    void Show();

    GenerationSettings& settings() { return settings_; }
    TForm3& controlPanel() { return *form3_; }
    TForm2& sceneEditor() { return *form2_; }
    TForm1& viewer() { return *form1_; }

private:
    GenerationSettings settings_;
    // Destroyed in reverse: the viewer first, then the scene editor.
    std::unique_ptr<TForm3> form3_;
    std::unique_ptr<TForm2> form2_;
    std::unique_ptr<TForm1> form1_;
};

} // namespace tavrik::gui
