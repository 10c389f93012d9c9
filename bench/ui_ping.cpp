// ui_ping WINDOW [COMMAND...]: runs COMMAND (for instance `xdotool key
// Right`), then sends the program owning WINDOW a _NET_WM_PING and waits
// for its answer, which its event loop gives once it has handled what came
// before. Prints the milliseconds from the start of COMMAND to the answer.
// Gives up after 10 s (exit 1).
// ui_ping --close WINDOW: asks WINDOW to close, as a window manager's close
// button does.
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
  const xcb_atom_t a = r ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
  std::free(r);
  return a;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: ui_ping WINDOW [COMMAND...]\n");
    return 2;
  }
  const bool close = std::strcmp(argv[1], "--close") == 0;
  if (close) {
    if (argc != 3) return 2;
    ++argv;
    argc = 2;
  }
  const auto window = static_cast<xcb_window_t>(std::strtoul(argv[1], nullptr, 0));
  int screenNumber = 0;
  xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
  if (xcb_connection_has_error(c)) return 2;
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
  for (int i = 0; i < screenNumber; ++i) xcb_screen_next(&it);
  const xcb_window_t root = it.data->root;
  // The answer goes to the root window with these masks.
  const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
  xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
  const xcb_atom_t protocols = atom(c, "WM_PROTOCOLS"), ping = atom(c, "_NET_WM_PING");
  xcb_flush(c);
  if (close) {
    xcb_client_message_event_t e{};
    e.response_type = XCB_CLIENT_MESSAGE;
    e.format = 32;
    e.window = window;
    e.type = protocols;
    e.data.data32[0] = atom(c, "WM_DELETE_WINDOW");
    xcb_generic_error_t* error =
        xcb_request_check(c, xcb_send_event_checked(c, 0, window, XCB_EVENT_MASK_NO_EVENT,
                                                    reinterpret_cast<const char*>(&e)));
    std::free(error);
    return error ? 1 : 0;
  }

  const auto start = std::chrono::steady_clock::now();
  if (argc > 2) {
    const pid_t pid = fork();
    if (pid == 0) {
      execvp(argv[2], argv + 2);
      _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
  }
  xcb_client_message_event_t e{};
  e.response_type = XCB_CLIENT_MESSAGE;
  e.format = 32;
  e.window = window;
  e.type = protocols;
  e.data.data32[0] = ping;
  e.data.data32[1] = 0x50494E47;  // our mark
  e.data.data32[2] = window;
  xcb_send_event(c, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&e));
  xcb_flush(c);
  pollfd p{xcb_get_file_descriptor(c), POLLIN, 0};
  while (std::chrono::steady_clock::now() - start < std::chrono::seconds(10)) {
    while (xcb_generic_event_t* ev = xcb_poll_for_event(c)) {
      const bool answer =
          (ev->response_type & 0x7F) == XCB_CLIENT_MESSAGE &&
          reinterpret_cast<xcb_client_message_event_t*>(ev)->data.data32[1] == 0x50494E47;
      std::free(ev);
      if (!answer) continue;
      const std::chrono::duration<double, std::milli> ms = std::chrono::steady_clock::now() - start;
      std::printf("%.1f\n", ms.count());
      return 0;
    }
    poll(&p, 1, 100);
  }
  return 1;
}
