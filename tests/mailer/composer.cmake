# The composer: the 72-column wrap and the saved form of a message, the
# composer's commands on fake fields and a fake main window, then its window
# and printing, offscreen.
kestrix_add_test(mailer_composer_tests
  SOURCES line_wrap_test.cpp composer_test.cpp
  LIBS kestrix_mailer)
kestrix_add_test(mailer_composer_window_tests QT
  SOURCES composer_window_test.cpp cprinter_test.cpp
  LIBS kestrix_mailer_qt)
