# The session part: SMTP dialogue, log, settings, metered mail, main window.
kestrix_add_test(mailer_session_tests
  SOURCES smtp_client_session_test.cpp mail_log_test.cpp metered_mail_test.cpp
          quillon_settings_test.cpp
  LIBS kestrix_mailer)

# Against real peers: a running kestrix and Postfix's smtp-sink. The station
# is only run, never linked; it is a Qt program, hence no ThreadSanitizer run
# (Qt itself is not built for it).
kestrix_add_test(mailer_peer_tests QT
  SOURCES mail_to_peers_test.cpp
  LIBS kestrix_mailer)
target_compile_definitions(mailer_peer_tests PRIVATE KESTRIX_BINARY="$<TARGET_FILE:kestrix>")
add_dependencies(mailer_peer_tests kestrix)

kestrix_add_test(mailer_window_tests QT
  SOURCES quillon_window_test.cpp
  LIBS kestrix_mailer_qt)
