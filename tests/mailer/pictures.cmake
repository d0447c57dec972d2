# The picture editor's byte rules, the banned-word table and its search, and
# their dialogs.
kestrix_add_test(mailer_picture_tests
  SOURCES picture_filter_test.cpp bad_word_table_test.cpp bad_word_search_test.cpp
  LIBS kestrix_mailer)
kestrix_add_test(mailer_picture_window_tests QT
  SOURCES picture_editor_window_test.cpp bad_word_dialog_test.cpp
  LIBS kestrix_mailer_qt)
