/* The tests of the windowed assembler share one application, on the
   offscreen platform unless VORNWIN_PLATFORM names another. */
#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char **argv)
{
  const char *pszPlatform = std::getenv("VORNWIN_PLATFORM");
  setenv("QT_QPA_PLATFORM", pszPlatform != nullptr ? pszPlatform : "offscreen", 1);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
