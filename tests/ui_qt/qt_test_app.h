#pragma once
// One Qt backend (and QApplication) for a whole test program, set up before
// the first test and torn down after the last.
#include <gtest/gtest.h>

#include <memory>

#include "ui/qt/qt_backend.h"

namespace testsupport {

class QtTestApp : public ::testing::Environment {
public:
    void SetUp() override { m_backend = std::make_unique<ui::qt::QtBackend>(m_argc, m_argv); }
    void TearDown() override { m_backend.reset(); }

private:
    int m_argc = 1;
    char m_arg0[16] = "ui_qt_tests";
    char* m_argv[2] = {m_arg0, nullptr};
    std::unique_ptr<ui::qt::QtBackend> m_backend;
};

// Registered once for the whole program, whichever test files include this.
inline ::testing::Environment* const kQtTestApp =
    ::testing::AddGlobalTestEnvironment(new QtTestApp);

}  // namespace testsupport
