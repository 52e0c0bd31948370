#include "app/Application.h"

#include "app/ControlPanel.h"
#include "app/ViewerWindow.h"
#include "base/NumberText.h"
#include "editor/SceneEditor.h"

namespace tavrik::gui {

Application::Application()
{
    settings_.decimalSeparator = LocaleDecimalSeparator();
    settings_.texturesFolder = DefaultTexturesFolder();
    form3_ = std::make_unique<TForm3>(settings_);
    form2_ = std::make_unique<TForm2>(settings_);
    form1_ = std::make_unique<TForm1>(settings_, *form2_);
    form3_->Connect(form2_.get(), form1_.get());
    QObject::connect(form2_.get(), &TForm2::prepareRequested, form1_.get(), &TForm1::PrepareSequence);
}

Application::~Application() = default;

void Application::Show()
{
    form3_->ArrangeWindows();
    form2_->show();
    form1_->show();
    // Shown last, so that where the windows must overlap Start stays in view.
    form3_->show();
    form3_->raise();
}

} // namespace tavrik::gui
