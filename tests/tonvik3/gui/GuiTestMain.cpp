// main() of the editor's tests: the Qt application, offscreen, with settings
// and runtime folders of the run's own, so that no test reads or writes the
// user's settings.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    char folder[] = "/tmp/tonvik3-gui-test-XXXXXX";
    if (!mkdtemp(folder))
        return 2;
    const std::string base = folder;
    setenv("XDG_CONFIG_HOME", (base).c_str(), 1);
    setenv("XDG_DATA_HOME", (base).c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (base).c_str(), 1);
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::system(("rm -rf '" + base + "'").c_str());
    return result;
}
