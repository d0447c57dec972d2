# Composer logic (no Qt) and its window with printing.
target_sources(kestrix_mailer PRIVATE
  line_wrap.cpp
  composer.cpp
)
target_sources(kestrix_mailer_qt PRIVATE
  cprinter.cpp
  composer_window.cpp
)
