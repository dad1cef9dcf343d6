#include "app/AboutBox.h"

#include "res/Templates.h"

namespace vexmoor {

CAboutBox::CAboutBox(platform::Framework& framework, platform::CDialog* owner)
    : CDialog(res::AboutBoxTemplate(), framework, owner)
{
}

CAboutBox::~CAboutBox() = default;

void ShowAboutBox(platform::CDialog& owner)
{
    CAboutBox about(owner.GetFramework(), &owner);
    about.DoModal();
}

} // namespace vexmoor
