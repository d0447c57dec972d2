# Picture editor and banned-word search: logic (no Qt), then their dialogs.
target_sources(kestrix_mailer PRIVATE
  picture_filter.cpp
  bad_word_table.cpp
  bad_word_search.cpp
)
target_sources(kestrix_mailer_qt PRIVATE
  picture_editor_window.cpp
  bad_word_dialog.cpp
)
