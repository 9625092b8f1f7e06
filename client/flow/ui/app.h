#pragma once
// The Qt side of the client: makes the windows of the exam flow as their
// logic comes into being, forwards their events to the client one at a time
// and redraws them after each.
#include <QObject>
#include <functional>
#include <memory>

#include "client/flow/client.h"
#include "client/flow/ui/lockdown.h"

namespace kavlor {

class TForm1;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;
class TForm_fullenter;

class KavlorApp : public QObject {
public:
    // env.onExit, when empty, ends the Qt event loop.
    explicit KavlorApp(ClientEnv env);
    ~KavlorApp() override;

    // Start-up and the splash window; false when the client ended on the way.
    bool start();
    // Runs one handler of a window and redraws every window.
    void run(const std::function<void()>& handler);
    void sync();

    Client& client() { return *client_; }
    TabBlocker& tabBlocker() { return tabBlocker_; }

    TForm1* Form1() const { return form1_; }
    TForm2* Form2() const { return form2_; }
    TForm3* Form3() const { return form3_; }
    TForm4* Form4() const { return form4_; }
    TForm5* Form5() const { return form5_; }
    TForm6* Form6() const { return form6_; }
    TForm_fullenter* Form_fullenter() const { return fullenter_; }

private:
    void makeWindows();
    std::unique_ptr<Client> client_;
    TabBlocker tabBlocker_;
    TForm1* form1_ = nullptr;
    TForm2* form2_ = nullptr;
    TForm3* form3_ = nullptr;
    TForm4* form4_ = nullptr;
    TForm5* form5_ = nullptr;
    TForm6* form6_ = nullptr;
    TForm_fullenter* fullenter_ = nullptr;
    void* instructionsShown_ = nullptr;  // the logic TForm2 was made for
    void* progressShown_ = nullptr;
    bool syncing_ = false;
};

}  // namespace kavlor
