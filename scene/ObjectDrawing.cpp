#include "scene/ObjectDrawing.h"

#include <GL/gl.h>
#include <GL/glu.h>

namespace tavrik {

namespace {

// Binds `texture` for modulation with the lit colour, or switches texturing
// off for an untextured object.
void SetUpTexture(std::uint32_t texture)
{
    if (texture != 0) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    } else {
        glDisable(GL_TEXTURE_2D);
    }
}

// Turns about z first, then y, then x (the calls compose in reverse).
void Rotate(const Vec3& degrees)
{
    glRotated(degrees[0], 1, 0, 0);
    glRotated(degrees[1], 0, 1, 0);
    glRotated(degrees[2], 0, 0, 1);
}

GLUquadric* NewTexturedQuadric()
{
    GLUquadric* quadric = gluNewQuadric();
    gluQuadricTexture(quadric, GL_TRUE);
    gluQuadricDrawStyle(quadric, GLU_FILL);
    return quadric;
}

Vec3 NormalOf(const Vec3& p1, const Vec3& p2, const Vec3& p3)
{
    Vec3 n;
    Obiekt::NormalFromPoints(p1[0], p2[0], p3[0], p1[1], p2[1], p3[1], p1[2], p2[2], p3[2], n[0], n[1], n[2]);
    return n;
}

// Sends `normal` and the quad's corners with the texture stretched over it:
// P1 (0, 0), P2 (1, 0), P3 (1, 1), P4 (0, 1). Inside glBegin(GL_QUADS).
void EmitTexturedQuad(const Quad& corners, const Vec3& normal)
{
    static constexpr float texCoords[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    glNormal3d(normal[0], normal[1], normal[2]);
    for (int k = 0; k < 4; ++k) {
        glTexCoord2f(texCoords[k][0], texCoords[k][1]);
        glVertex3f(static_cast<float>(corners[k][0]), static_cast<float>(corners[k][1]),
                   static_cast<float>(corners[k][2]));
    }
}

void DrawSphere(const Kula& sphere)
{
    SetUpTexture(sphere.texture);
    GLUquadric* quadric = NewTexturedQuadric();
    glColor3d(sphere.colour[0], sphere.colour[1], sphere.colour[2]);
    glTranslated(sphere.position[0], sphere.position[1], sphere.position[2]);
    gluSphere(quadric, sphere.radius, 32, 32);
    gluDeleteQuadric(quadric);
    glDisable(GL_TEXTURE_2D);
}

void DrawCuboid(const Prostopadloscian& box)
{
    SetUpTexture(box.texture);
    glColor3d(box.colour[0], box.colour[1], box.colour[2]);
    glTranslated(box.position[0], box.position[1], box.position[2]);
    Rotate(box.rotation);
    DrawBox(box.halfSize[0], box.halfSize[1], box.halfSize[2]);
    glDisable(GL_TEXTURE_2D);
}

void DrawCylinder(const Cylinder& cylinder)
{
    SetUpTexture(cylinder.texture);
    GLUquadric* quadric = NewTexturedQuadric();
    glColor3d(cylinder.colour[0], cylinder.colour[1], cylinder.colour[2]);
    glPushMatrix();
    glTranslated(cylinder.position[0], cylinder.position[1], cylinder.position[2]);
    Rotate(cylinder.rotation);
    gluCylinder(quadric, cylinder.baseRadius, cylinder.topRadius, cylinder.height, 32, 32);
    if (cylinder.baseRadius > 0)
        gluDisk(quadric, 0, cylinder.baseRadius, 32, 32);
    if (cylinder.topRadius > 0 && cylinder.height > 0) {
        glTranslated(0, 0, cylinder.height);
        gluDisk(quadric, 0, cylinder.topRadius, 32, 32);
    }
    glPopMatrix();
    gluDeleteQuadric(quadric);
    glDisable(GL_TEXTURE_2D);
}

void DrawQuad(const Czworobok& quad)
{
    SetUpTexture(quad.texture);
    glColor3f(static_cast<float>(quad.colour[0]), static_cast<float>(quad.colour[1]),
              static_cast<float>(quad.colour[2]));
    glBegin(GL_QUADS);
    EmitTexturedQuad(quad.vertices, NormalOf(quad.vertices[0], quad.vertices[1], quad.vertices[2]));
    glEnd();
}

void DrawPlane(const Plane& plane)
{
    if (plane.SolvedAxis() < 0)
        return;
    SetUpTexture(plane.texture);
    glColor4f(static_cast<float>(NextPlaneRed()), 0.99f, 0.1f, 0.4f);
    // Every strip lies in the one plane: its normal is solved once, which
    // also keeps rounding from turning neighbouring strips' normals apart.
    const Quad first = plane.StripCorners(Plane::firstStrip);
    const Vec3 n = NormalOf(first[0], first[1], first[2]);
    glBegin(GL_QUADS);
    for (int i = Plane::firstStrip; i < Plane::firstStrip + Plane::stripCount; ++i)
        EmitTexturedQuad(plane.StripCorners(i), n);
    glEnd();
}

} // namespace

void Draw(const Obiekt& object)
{
    switch (object.kind) {
    case kindSphere:
        DrawSphere(static_cast<const Kula&>(object));
        break;
    case kindCuboid:
        DrawCuboid(static_cast<const Prostopadloscian&>(object));
        break;
    case kindCylinder:
        DrawCylinder(static_cast<const Cylinder&>(object));
        break;
    case kindQuad:
        DrawQuad(static_cast<const Czworobok&>(object));
        break;
    case kindPlane:
        DrawPlane(static_cast<const Plane&>(object));
        break;
    default:
        break;
    }
}

void DrawBox(double a, double b, double c)
{
    glBegin(GL_QUADS);
    for (const BoxFace& face : Prostopadloscian::faces) {
        glNormal3f(face.normal[0], face.normal[1], face.normal[2]);
        for (const BoxCorner& corner : face.corners) {
            glTexCoord2f(corner.s, corner.t);
            glVertex3f(static_cast<float>(corner.x * a), static_cast<float>(corner.y * b),
                       static_cast<float>(corner.z * c));
        }
    }
    glEnd();
}

} // namespace tavrik
