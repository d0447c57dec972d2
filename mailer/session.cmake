# The main window, the log, the settings and the SMTP session.
target_sources(kestrix_mailer PRIVATE
  mail_log.cpp
  quillon_settings.cpp
  winsock_errors.cpp
  smtp_client_session.cpp
  mail_session_runner.cpp
  metered_mail.cpp
)
target_sources(kestrix_mailer_qt PRIVATE
  quillon_window.cpp
)

add_executable(quillon main.cpp)
target_link_libraries(quillon PRIVATE kestrix_mailer_qt)
