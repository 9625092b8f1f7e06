#include "client/flow/ui/app.h"

#include <QApplication>

#include "client/flow/drawing.h"
#include "client/flow/instructions.h"
#include "client/flow/login.h"
#include "client/flow/toolbar.h"
#include "client/flow/ui/forms.h"
#include "client/screens/choice/ui/tform7.h"
#include "client/screens/typing/ui/tform9.h"

namespace kavlor {

namespace {

ClientEnv withDefaultExit(ClientEnv env) {
    if (!env.onExit) env.onExit = [] { QCoreApplication::exit(0); };
    return env;
}

}  // namespace

KavlorApp::KavlorApp(ClientEnv env) : client_(std::make_unique<Client>(withDefaultExit(std::move(env)))) {
    client_->changed = [this] { sync(); };
}

KavlorApp::~KavlorApp() {
    client_->changed = nullptr;
    tabBlocker_.setActive(false);
    for (QWidget* w : std::initializer_list<QWidget*>{fullenter_, form4_, form5_, form2_, form6_, form3_, form1_})
        delete w;
    client_.reset();
}

bool KavlorApp::start() {
    if (!client_->start()) return false;
    form1_ = new TForm1(*this);
    sync();
    return true;
}

void KavlorApp::run(const std::function<void()>& handler) { client_->handle(handler); }

void KavlorApp::makeWindows() {
    Client& c = *client_;
    if (c.login() && !form3_) form3_ = new TForm3(*this, *c.login());
    if (c.progress() && progressShown_ != c.progress()) {
        delete form6_;
        form6_ = new TForm6(*this, *c.progress());
        progressShown_ = c.progress();
    }
    if (c.instructions() && instructionsShown_ != c.instructions()) {
        delete form2_;
        form2_ = new TForm2(*this, *c.instructions());
        instructionsShown_ = c.instructions();
    }
    if (c.toolbar() && !form4_) {
        ToolbarLogic& toolbar = *c.toolbar();
        form5_ = new TForm5(*this, toolbar.examWindow(), toolbar);
        fullenter_ = new TForm_fullenter(*this, toolbar.timeUpScreen());
        form4_ = new TForm4(*this, toolbar);
    }
}

void KavlorApp::sync() {
    if (syncing_) return;
    syncing_ = true;
    if (client_->ended()) {
        // The client has ended: nothing of it stays on the screen.
        for (QWidget* w : std::initializer_list<QWidget*>{fullenter_, form4_, form5_, form2_, form6_, form3_, form1_})
            if (w) w->hide();
        if (form5_)
            for (QWidget* screen : std::initializer_list<QWidget*>{form5_->Form7(), form5_->Form9()})
                if (screen) screen->hide();
        tabBlocker_.setActive(false);
        syncing_ = false;
        return;
    }
    makeWindows();
    if (form1_) form1_->refresh();
    if (form3_) form3_->refresh();
    if (form6_) form6_->refresh();
    if (form2_) form2_->refresh();
    if (form5_) form5_->refresh();
    if (fullenter_) fullenter_->refresh();
    if (form4_) form4_->refresh();
    syncing_ = false;
}

}  // namespace kavlor
