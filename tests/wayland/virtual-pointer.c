/* A pointer for a wlroots compositor, driven line by line from standard input:
 *   move X Y     to that position on the output, in pixels
 *   press        the left button down
 *   release      the left button up
 * Each line reaches the compositor before the next is read. The pointer lives
 * until standard input ends, since a pointer that goes away makes the window
 * under it forget its hover.
 * Usage: virtual-pointer OUTPUT_WIDTH OUTPUT_HEIGHT */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <wayland-client.h>

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

#define LEFT_BUTTON 0x110 /* BTN_LEFT of linux/input-event-codes.h */

static struct zwlr_virtual_pointer_manager_v1 *manager;

static void on_global(void *data, struct wl_registry *registry, uint32_t name, const char *interface,
                      uint32_t version)
{
    (void)data;
    (void)version;
    if (strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        manager = wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
}

static void on_global_remove(void *data, struct wl_registry *registry, uint32_t name)
{
    (void)data;
    (void)registry;
    (void)name;
}

static const struct wl_registry_listener registry_listener = {on_global, on_global_remove};

static uint32_t now_ms(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (uint32_t)(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

int main(int argc, char **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: virtual-pointer OUTPUT_WIDTH OUTPUT_HEIGHT\n");
        return 2;
    }
    const unsigned width = (unsigned)atoi(argv[1]), height = (unsigned)atoi(argv[2]);
    struct wl_display *display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "virtual-pointer: cannot connect to the Wayland display\n");
        return 1;
    }
    struct wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registry_listener, NULL);
    wl_display_roundtrip(display);
    if (!manager) {
        fprintf(stderr, "virtual-pointer: the compositor offers no %s\n", zwlr_virtual_pointer_manager_v1_interface.name);
        return 1;
    }
    struct zwlr_virtual_pointer_v1 *pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, NULL);
    wl_display_roundtrip(display);
    /* The seat announces its new pointer capability to the clients first. */
    usleep(300 * 1000);

    char line[128];
    while (fgets(line, sizeof line, stdin)) {
        unsigned x, y;
        if (sscanf(line, "move %u %u", &x, &y) == 2 && x < width && y < height) {
            zwlr_virtual_pointer_v1_motion_absolute(pointer, now_ms(), x, y, width, height);
        } else if (strcmp(line, "press\n") == 0 || strcmp(line, "release\n") == 0) {
            zwlr_virtual_pointer_v1_button(pointer, now_ms(), LEFT_BUTTON,
                                           line[0] == 'p' ? WL_POINTER_BUTTON_STATE_PRESSED
                                                          : WL_POINTER_BUTTON_STATE_RELEASED);
        } else {
            fprintf(stderr, "virtual-pointer: cannot do: %s", line);
            return 2;
        }
        zwlr_virtual_pointer_v1_frame(pointer);
        if (wl_display_roundtrip(display) < 0) {
            fprintf(stderr, "virtual-pointer: the compositor went away\n");
            return 1;
        }
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
