#include "scene/DefaultScene.h"

namespace tavrik {

const std::vector<std::string>& DefaultSceneLines()
{
    static const std::vector<std::string> lines{
        "//Background",
        "SPHERE; id 254; texture: -1; colour: 1.0; 11.0; 11.0; position:  0.0; 0.0; 0.0; 1.0;0.0;0.0; dim: 24.65",
        "",
        "SPHERE; id 25; texture: 9; colour: 1.0; 1.0; 1.0; position:  0.0; 1.0; -0.2; 0.0;0.0;0.0; dim: 0.65",
        "CUBOID ; id 40; texture: 5; colour: 1.0; 1.0; 1.0; position: -1.5; 0.5; -0.5; 0.0;0.0;0.0; dim: 0.2; 0.2;2",
        "CUBOID ; id 45; texture: 5; colour: 1.0; 1.0; 1.0; position: -1.5; 2.5; -0.5; 0.0;0.0;0.0; dim: 0.2; 0.2;2",
        "CYLINDER ; id 50; texture: 1; colour: 1.0; 1.0; 1.0; position: -0.0; 0.3; -1.4; 0.0;0.0;0.0; dim: 0.45; 0.1;2",
        "",
        "QUAD; id 100; texture: 10; colour: 1.0; 1.0; 1.0; vertices:  1.6; -2.0; -1.4;    1.6;  6.0; -1.4;   1.6; "
        "6.0;  2.4;  1.6; -2.0;  2.4;",
        "QUAD; id 120; texture: 10; colour: 1.0; 1.0; 1.0; vertices: -1.6; -2.0; -1.4;   -1.6;  6.0; -1.4;  -1.6; "
        "6.0;  2.4; -1.6; -2.0;  2.4;",
        "QUAD; id 140; texture: 10; colour: 1.0; 1.0; 1.0; vertices: -1.6;  6.0; -1.4;    1.6;  6.0; -1.4;   1.6; "
        "6.0;  2.4; -1.6;  6.0;  2.4;",
        "QUAD; id 160; texture: 0; colour: 1.0; 1.0; 0.5; vertices: -1.6; -2.0; -1.4;    1.6; -2.0; -1.4;   1.6; "
        "6.0; -1.4; -1.6;  6.0; -1.4;",
        "",
        "EGO;  0.0; 0.0; 0.1; 0.1;0.0;0.0",
        "EGO;  0.0; 0.0; 0.2; 0.1;0.0;0.0",
        "EGO;  0.0; 0.0; 0.3; 0.1;3.0;0.0",
        "EGO;  0.0; 0.0; 0.4; 0.1;3.0;0.0",
        "EGO;  0.0; 0.0; 0.3; 0.1;3.0;0.0",
    };
    return lines;
}

} // namespace tavrik
