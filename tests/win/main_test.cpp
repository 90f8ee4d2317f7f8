/* The tests of the windowed assembler share one application, on the
   offscreen platform unless VORNWIN_PLATFORM names another.  The settings
   of the window, of this process and of the programs it starts, go to a
   directory of the run, never into the user's configuration. */
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char **argv)
{
  const char *pszPlatform = std::getenv("VORNWIN_PLATFORM");
  setenv("QT_QPA_PLATFORM", pszPlatform != nullptr ? pszPlatform : "offscreen", 1);
  QTemporaryDir dirConfig;
  if (!dirConfig.isValid()) return 1;
  /* HOME too: Qt's own settings (those of the file dialog) find no other place */
  for (const char *psz : {"XDG_CONFIG_HOME", "HOME"}) setenv(psz, dirConfig.path().toLocal8Bit().constData(), 1);
  QApplication app(argc, argv);
  for (auto eFormat : {QSettings::NativeFormat, QSettings::IniFormat})
    QSettings::setPath(eFormat, QSettings::UserScope, dirConfig.path());
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
