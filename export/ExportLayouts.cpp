#include "export/ExportLayouts.h"

#include <algorithm>

namespace tavrik {

namespace {

using E = ExportEncoding;
using F = ExportFrames;
using S = ExportSource;
constexpr bool L = false;
constexpr bool R = true;

const std::vector<ExportLayout> layouts{
    {"kitti2012",
     {{"Kitti2012/training/colored_0/{sample}_10.png", L, F::every, 0, S::image, E::png},
      {"Kitti2012/training/colored_1/{sample}_10.png", R, F::every, 0, S::image, E::png},
      {"Kitti2012/training/disp_noc/{sample}_10.png", L, F::every, 0, S::kittiDisparity, E::kittiNonOccluded},
      {"Kitti2012/training/disp_occ/{sample}_10.png", L, F::every, 0, S::kittiDisparity, E::link}},
     {}},
    // Only the first image of each pair: the loader's image glob would also
    // take a *_11.png and pair it with the next sample's disparity.
    {"kitti2015",
     {{"Kitti2015/training/image_2/{sample}_10.png", L, F::every, 0, S::image, E::png},
      {"Kitti2015/training/image_3/{sample}_10.png", R, F::every, 0, S::image, E::png},
      {"Kitti2015/training/disp_occ_0/{sample}_10.png", L, F::every, 0, S::kittiDisparity, E::link},
      {"Kitti2015/training/disp_occ_1/{sample}_10.png", R, F::every, 0, S::kittiDisparity, E::link}},
     {}},
    // The loader insists that a scene folder starts with one of its
    // training scenes' names.
    {"middlebury2014",
     {{"Middlebury2014/train/Adirondack{sample}-perfect/im0.png", L, F::every, 0, S::image, E::png},
      {"Middlebury2014/train/Adirondack{sample}-perfect/im1.png", R, F::every, 0, S::image, E::png},
      {"Middlebury2014/train/Adirondack{sample}-perfect/disp0.pfm", L, F::every, 0, S::disparity, E::link},
      {"Middlebury2014/train/Adirondack{sample}-perfect/disp1.pfm", R, F::every, 0, S::disparity, E::link},
      {"Middlebury2014/train/Adirondack{sample}-perfect/calib.txt", L, F::every, 0, S::calibration, E::link}},
     {}},
    {"eth3d",
     {{"ETH3D/two_view_training/{sample}/im0.png", L, F::every, 0, S::image, E::png},
      {"ETH3D/two_view_training/{sample}/im1.png", R, F::every, 0, S::image, E::png},
      {"ETH3D/two_view_training/{sample}/calib.txt", L, F::every, 0, S::calibration, E::link},
      {"ETH3D/two_view_training_gt/{sample}/disp0GT.pfm", L, F::every, 0, S::disparity, E::link},
      {"ETH3D/two_view_training_gt/{sample}/mask0nocc.png", L, F::every, 0, S::occlusion, E::nonOccludedMask}},
     {}},
    // Flow into the future of a sequence's last frame and into the past of
    // its first are unknown everywhere: the loader leaves one flow file of
    // each folder unread (the last into the future, the first into the
    // past), so these take those places and every real flow is read.
    {"sceneflow",
     {{"SceneFlow/FlyingThings3D/frames_cleanpass/TRAIN/A/{seq}/left/{frame}.png", L, F::every, 0, S::image, E::png},
      {"SceneFlow/FlyingThings3D/frames_cleanpass/TRAIN/A/{seq}/right/{frame}.png", R, F::every, 0, S::image, E::png},
      {"SceneFlow/FlyingThings3D/disparity/TRAIN/A/{seq}/left/{frame}.pfm", L, F::every, 0, S::disparity, E::link},
      {"SceneFlow/FlyingThings3D/disparity/TRAIN/A/{seq}/right/{frame}.pfm", R, F::every, 0, S::disparity, E::link},
      {"SceneFlow/FlyingThings3D/optical_flow/TRAIN/A/{seq}/into_future/left/{frame}.pfm", L, F::every, 0, S::flow,
       E::flowPfm},
      {"SceneFlow/FlyingThings3D/optical_flow/TRAIN/A/{seq}/into_future/right/{frame}.pfm", R, F::every, 0, S::flow,
       E::flowPfm},
      {"SceneFlow/FlyingThings3D/optical_flow/TRAIN/A/{seq}/into_past/left/{frame}.pfm", L, F::every, 0, S::flowBack,
       E::flowPfm},
      {"SceneFlow/FlyingThings3D/optical_flow/TRAIN/A/{seq}/into_past/right/{frame}.pfm", R, F::every, 0, S::flowBack,
       E::flowPfm},
      {"SceneFlow/FlyingThings3D/disparity_change/TRAIN/A/{seq}/into_future/left/{frame}.pfm", L, F::withNext, 0,
       S::disparityChange, E::link},
      {"SceneFlow/FlyingThings3D/disparity_change/TRAIN/A/{seq}/into_future/right/{frame}.pfm", R, F::withNext, 0,
       S::disparityChange, E::link}},
     {}},
    {"sintel-stereo",
     {{"Sintel/training/final_left/{seq}/frame_{frame}.png", L, F::every, 0, S::image, E::png},
      {"Sintel/training/final_right/{seq}/frame_{frame}.png", R, F::every, 0, S::image, E::png},
      {"Sintel/training/disparities/{seq}/frame_{frame}.png", L, F::every, 0, S::disparity, E::sintelDisparity},
      {"Sintel/training/occlusions/{seq}/frame_{frame}.png", L, F::every, 0, S::disparity, E::sintelOccluded},
      {"Sintel/training/outofframe/{seq}/frame_{frame}.png", L, F::every, 0, S::disparity, E::sintelOutOfFrame}},
     {}},
    {"sintel-flow",
     {{"Sintel/training/clean/{seq}/frame_{frame}.png", L, F::every, 0, S::image, E::png},
      {"Sintel/training/flow/{seq}/frame_{frame}.flo", L, F::withNext, 0, S::flow, E::link}},
     {}},
    {"kitti-flow",
     {{"KittiFlow/training/image_2/{sample}_10.png", L, F::withNext, 0, S::image, E::png},
      {"KittiFlow/training/image_2/{sample}_11.png", L, F::withNext, 1, S::image, E::png},
      {"KittiFlow/training/flow_occ/{sample}_10.png", L, F::withNext, 0, S::flowPng, E::link}},
     {}},
    {"flyingchairs",
     {{"FlyingChairs/data/{sample}_flow.flo", L, F::withNext, 0, S::flow, E::link},
      {"FlyingChairs/data/{sample}_img1.ppm", L, F::withNext, 0, S::image, E::ppm},
      {"FlyingChairs/data/{sample}_img2.ppm", L, F::withNext, 1, S::image, E::ppm}},
     {},
     "FlyingChairs/FlyingChairs_train_val.txt"},
    // PNG bytes under the .jpg names the loader globs (Pillow reads by
    // content): JPEG would change the pixels.
    {"crestereo",
     {{"CREStereo/{spread}/{sample}_left.jpg", L, F::every, 0, S::image, E::png},
      {"CREStereo/{spread}/{sample}_right.jpg", R, F::every, 0, S::image, E::png},
      {"CREStereo/{spread}/{sample}_left.disp.png", L, F::every, 0, S::disparity, E::disparity16, 32.0},
      {"CREStereo/{spread}/{sample}_right.disp.png", R, F::every, 0, S::disparity, E::disparity16, 32.0}},
     {"shapenet", "reflective", "tree", "hole"}},
    {"instereo2k",
     {{"InStereo2k/train/{sample}/left.png", L, F::every, 0, S::image, E::png},
      {"InStereo2k/train/{sample}/right.png", R, F::every, 0, S::image, E::png},
      {"InStereo2k/train/{sample}/left_disp.png", L, F::every, 0, S::disparity, E::disparity16, 1024.0},
      {"InStereo2k/train/{sample}/right_disp.png", R, F::every, 0, S::disparity, E::disparity16, 1024.0}},
     {}},
    {"carla",
     {{"carla-highres/trainingF/{sample}/im0.png", L, F::every, 0, S::image, E::png},
      {"carla-highres/trainingF/{sample}/im1.png", R, F::every, 0, S::image, E::png},
      {"carla-highres/trainingF/{sample}/disp0GT.pfm", L, F::every, 0, S::disparity, E::link},
      {"carla-highres/trainingF/{sample}/disp1GT.pfm", R, F::every, 0, S::disparity, E::link},
      {"carla-highres/trainingF/{sample}/calib.txt", L, F::every, 0, S::calibration, E::link}},
     {}},
};

} // namespace

bool ReadsOcclusionMask(ExportEncoding encoding)
{
    return encoding == E::kittiNonOccluded || encoding == E::nonOccludedMask || encoding == E::sintelOccluded
        || encoding == E::sintelOutOfFrame;
}

std::span<const ExportLayout> ExportLayouts()
{
    return layouts;
}

const ExportLayout* FindExportLayout(std::string_view name)
{
    const auto found = std::ranges::find(layouts, name, &ExportLayout::name);
    return found == layouts.end() ? nullptr : &*found;
}

} // namespace tavrik
