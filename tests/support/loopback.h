#pragma once
// The loopback set-up of every test that runs a control against the substitute server:
// one server listening on a free port with the "default" sample data, a settings store
// of its own, and the control under test, made by the test when it needs it.

#include "tests/support/harness.h"

#include "core/clientstate.h"
#include "core/settingsstore.h"
#include "testserver/sampledata.h"
#include "testserver/server.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace korvel::testing {

template <class Control>
class LoopbackTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.Listen());
        ASSERT_TRUE(testserver::MakeSampleData("default", data));
        server.SetData(data);
        state.SettingsStore = &store;
    }
    // The control goes before anything a derived fixture holds (a scripted dialog
    // service, say) that it may still use while it closes.
    void TearDown() override { control.reset(); }

    // Makes the control of the test at the given size, shown unless told otherwise.
    Control& MakeControl(int width, int height, bool show = true) {
        control = std::make_unique<Control>(state);
        control->resize(width, height);
        if (show) control->show();
        return *control;
    }
    // Points the control at the server, which starts the connection.
    void PointAtServer() {
        control->setProperty("ServerPort", server.Port());
        control->setProperty("ServerAddress", "127.0.0.1");
    }
    // Points the control at the server and waits until it is connected and `ready`
    // holds (say, the answers it waits for have arrived).
    bool ConnectAndWait(const std::function<bool()>& ready = [] { return true; }) {
        PointAtServer();
        return WaitFor([&] { return control->IsConnected() && ready(); });
    }
    // Makes a new attempt to the server (a change of ServerAddress is the only way).
    void Reconnect() {
        control->setProperty("ServerAddress", "");
        control->setProperty("ServerAddress", "127.0.0.1");
    }

    // The two barriers (harness.h) on the connection of the server (-1: the newest).
    void ClientCaughtUp(int connection = -1) { korvel::testing::ClientCaughtUp(server, connection); }
    std::vector<testserver::ReceivedFrame> ServerCaughtUp(int connection = -1) {
        return korvel::testing::ServerCaughtUp(server, connection);
    }

    testserver::Server server;
    // The sample data the server was given; a test may change it and hand it over again
    // before the control connects.
    testserver::SampleData data;
    MemorySettingsStore store;
    ClientState state;
    std::unique_ptr<Control> control;
};

} // namespace korvel::testing
