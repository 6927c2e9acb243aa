/* A keyboard for a headless weston: a module that adds a seat with a keyboard and turns the
 * lines written to a FIFO into key presses, through the same entry the compositor's own input
 * devices use. So the program receives ordinary wl_keyboard events from the compositor, with
 * focus handled by the shell, as a user's keystrokes would arrive.
 *
 * The FIFO is named by QV410_KEYBOARD_FIFO in weston's environment. A line "key CODE" presses
 * and releases the Linux key code CODE; "down CODE" and "up CODE" do one half each. "focus 0"
 * writes the title of the window that has this keyboard's focus, as the compositor sees it, to
 * the FIFO's name plus ".focus" (replaced whole), so that keys are sent only once it is right. */
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <libweston-desktop/libweston-desktop.h>
#include <libweston/libweston.h>
#include <wayland-server.h>

/* The compositor exports these to its backends; the installed headers leave them out. */
void weston_seat_init(struct weston_seat* seat, struct weston_compositor* ec,
                      const char* seat_name);
int weston_seat_init_keyboard(struct weston_seat* seat, struct xkb_keymap* keymap);
void weston_seat_release(struct weston_seat* seat);
void notify_key(struct weston_seat* seat, const struct timespec* time, uint32_t key,
                enum wl_keyboard_key_state state, enum weston_key_state_update update_state);

struct virtual_keyboard {
    struct weston_seat seat;
    struct wl_event_source* source;
    struct wl_listener destroy_listener;
    int fd;
    char* focus_path;
    char line[256];
    size_t used;
};

static void send_key(struct virtual_keyboard* kb, uint32_t code, enum wl_keyboard_key_state s) {
    struct timespec now;

    weston_compositor_get_time(&now);
    notify_key(&kb->seat, &now, code, s, STATE_UPDATE_AUTOMATIC);
}

static void write_focus(struct virtual_keyboard* kb) {
    struct weston_keyboard* keyboard = weston_seat_get_keyboard(&kb->seat);
    struct weston_surface* surface = keyboard != NULL ? keyboard->focus : NULL;
    const char* title = "";
    char temp[4096];
    FILE* f;

    if (surface != NULL) {
        surface = weston_surface_get_main_surface(surface);
        if (weston_surface_is_desktop_surface(surface)) {
            const char* t =
                weston_desktop_surface_get_title(weston_surface_get_desktop_surface(surface));
            if (t != NULL)
                title = t;
        }
    }
    snprintf(temp, sizeof temp, "%s.part", kb->focus_path);
    f = fopen(temp, "w");
    if (f == NULL)
        return;
    fprintf(f, "%s%s\n", surface != NULL ? "" : "(none)", title);
    if (fclose(f) == 0)
        rename(temp, kb->focus_path);
}

static void run_line(struct virtual_keyboard* kb, const char* line) {
    char verb[16];
    unsigned code;

    if (sscanf(line, "%15s %u", verb, &code) != 2) {
        weston_log("virtual keyboard: ignored \"%s\"\n", line);
        return;
    }
    if (strcmp(verb, "focus") == 0)
        write_focus(kb);
    if (strcmp(verb, "key") == 0 || strcmp(verb, "down") == 0)
        send_key(kb, code, WL_KEYBOARD_KEY_STATE_PRESSED);
    if (strcmp(verb, "key") == 0 || strcmp(verb, "up") == 0)
        send_key(kb, code, WL_KEYBOARD_KEY_STATE_RELEASED);
}

static int on_readable(int fd, uint32_t mask, void* data) {
    struct virtual_keyboard* kb = data;
    char buf[256];
    ssize_t n = read(fd, buf, sizeof buf);

    (void)mask;
    for (ssize_t i = 0; i < n; i++) {
        if (buf[i] == '\n') {
            kb->line[kb->used] = '\0';
            run_line(kb, kb->line);
            kb->used = 0;
        } else if (kb->used + 1 < sizeof kb->line) {
            kb->line[kb->used++] = buf[i];
        }
    }
    return 0;
}

static void on_compositor_destroy(struct wl_listener* listener, void* data) {
    struct virtual_keyboard* kb = wl_container_of(listener, kb, destroy_listener);

    (void)data;
    wl_event_source_remove(kb->source);
    close(kb->fd);
    weston_seat_release(&kb->seat);
    free(kb->focus_path);
    free(kb);
}

WL_EXPORT int wet_module_init(struct weston_compositor* compositor, int* argc, char* argv[]) {
    const char* path = getenv("QV410_KEYBOARD_FIFO");
    struct virtual_keyboard* kb;

    (void)argc;
    (void)argv;
    if (path == NULL || *path == '\0') {
        weston_log("virtual keyboard: QV410_KEYBOARD_FIFO is not set\n");
        return -1;
    }
    kb = calloc(1, sizeof *kb);
    if (kb == NULL)
        return -1;
    kb->focus_path = malloc(strlen(path) + sizeof ".focus");
    if (kb->focus_path == NULL) {
        free(kb);
        return -1;
    }
    strcpy(kb->focus_path, path);
    strcat(kb->focus_path, ".focus");
    /* Read and write, so that the FIFO never reads as closed between two writers. */
    kb->fd = open(path, O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (kb->fd < 0) {
        weston_log("virtual keyboard: %s: %s\n", path, strerror(errno));
        free(kb->focus_path);
        free(kb);
        return -1;
    }
    weston_seat_init(&kb->seat, compositor, "virtual");
    if (weston_seat_init_keyboard(&kb->seat, NULL) < 0) {
        weston_seat_release(&kb->seat);
        close(kb->fd);
        free(kb->focus_path);
        free(kb);
        return -1;
    }
    kb->source = wl_event_loop_add_fd(wl_display_get_event_loop(compositor->wl_display), kb->fd,
                                      WL_EVENT_READABLE, on_readable, kb);
    kb->destroy_listener.notify = on_compositor_destroy;
    wl_signal_add(&compositor->destroy_signal, &kb->destroy_listener);
    weston_log("virtual keyboard: reading %s\n", path);
    return 0;
}
