// The typing matrix's hands inside GNOME Shell. mutter offers no
// virtual-keyboard protocol to Wayland clients, so keys and clicks come
// from Clutter virtual devices here, the same devices mutter's remote
// desktop uses, and both last as long as the extension: the seat keeps one
// keymap, as with a real keyboard. Windows are listed from the shell's own
// view, since GNOME Shell hides them from other programs.
//
// vn.halvora.Harness on the session bus, /vn/halvora/Harness:
//   Run(commands)  the lines of halvora-wayland-input's language (delay,
//                  type, key, move, click, sync), carried out in order; the
//                  answer comes once the compositor has had them all
//   Windows()      a line a window: "ID FOCUSED X Y WIDTH HEIGHT TITLE"
//   Activate(id)   the window to the front, with the focus

const { Clutter, Gio, GLib } = imports.gi;
const Main = imports.ui.main;

const iface = `
<node>
  <interface name="vn.halvora.Harness">
    <method name="Run"><arg type="s" direction="in"/><arg type="s" direction="out"/></method>
    <method name="Windows"><arg type="s" direction="out"/></method>
    <method name="Activate"><arg type="u" direction="in"/></method>
  </interface>
</node>`;

const modifierKeys = { ctrl: 'Control_L', control: 'Control_L', alt: 'Alt_L', super: 'Super_L', shift: 'Shift_L' };

function sleep(ms) {
    return new Promise(resolve => GLib.timeout_add(GLib.PRIORITY_DEFAULT, Math.max(0, Math.round(ms)), () => {
        resolve();
        return GLib.SOURCE_REMOVE;
    }));
}

function keyvalOf(name) {
    const known = Clutter[`KEY_${modifierKeys[name.toLowerCase()] ?? name}`];
    if (known !== undefined)
        return known;
    if (name.length === 1)
        return Clutter.unicode_to_keysym(name.codePointAt(0));
    throw new Error(`unknown key ${name}`);
}

class Harness {
    constructor() {
        this._delay = 12;
        const seat = Clutter.get_default_backend().get_default_seat();
        this._keyboard = seat.create_virtual_device(Clutter.InputDeviceType.KEYBOARD_DEVICE);
        this._pointer = seat.create_virtual_device(Clutter.InputDeviceType.POINTER_DEVICE);
    }

    async _key(keyval, pressed) {
        this._keyboard.notify_keyval(GLib.get_monotonic_time(), keyval,
            pressed ? Clutter.KeyState.PRESSED : Clutter.KeyState.RELEASED);
        await sleep(this._delay / 2);
    }

    async _tap(names) {
        const keyvals = names.map(keyvalOf);
        for (const k of keyvals)
            await this._key(k, true);
        for (const k of keyvals.reverse())
            await this._key(k, false);
    }

    async _line(line) {
        const space = line.indexOf(' ');
        const command = space < 0 ? line : line.slice(0, space);
        const arg = space < 0 ? '' : line.slice(space + 1);
        switch (command) {
        case 'delay':
            this._delay = Number(arg);
            break;
        case 'type':
            // The virtual keyboard finds each symbol's key and its level, and
            // adds Shift where the level needs it.
            for (const ch of arg)
                await this._tap([ch === '\n' ? 'Return' : ch === '\t' ? 'Tab' : ch]);
            break;
        case 'key':
            await this._tap(arg.split('+'));
            break;
        case 'move': {
            const [x, y] = arg.split(' ').map(Number);
            this._pointer.notify_absolute_motion(GLib.get_monotonic_time(), x, y);
            await sleep(10);
            break;
        }
        case 'click':
            for (const state of [Clutter.ButtonState.PRESSED, Clutter.ButtonState.RELEASED]) {
                this._pointer.notify_button(GLib.get_monotonic_time(), Clutter.BUTTON_PRIMARY, state);
                await sleep(10);
            }
            break;
        case 'sync':
        case '':
            break;
        default:
            throw new Error(`unknown command ${command}`);
        }
    }

    RunAsync([commands], invocation) {
        (async () => {
            for (const line of commands.split('\n'))
                await this._line(line.replace(/\r$/, ''));
            // Events go through the seat's queue: one more turn of the main
            // loop, and the compositor has dispatched them.
            await sleep(20);
        })().then(() => invocation.return_value(new GLib.Variant('(s)', ['ok'])),
            e => invocation.return_error_literal(Gio.DBusError, Gio.DBusError.FAILED, String(e)));
    }

    Windows() {
        return global.get_window_actors()
            .map(a => a.meta_window)
            .filter(w => !w.is_override_redirect() && w.showing_on_its_workspace())
            .map(w => {
                // A client's own points are its surface's, which takes in
                // the shadows around its frame; the size ends at the frame.
                const surface = w.get_buffer_rect();
                const frame = w.get_frame_rect();
                const width = frame.x + frame.width - surface.x;
                const height = frame.y + frame.height - surface.y;
                return `${w.get_id()} ${w.has_focus()} ${surface.x} ${surface.y} ${width} ${height} ${w.get_title() ?? ''}`;
            }).join('\n');
    }

    Activate(id) {
        const window = global.get_window_actors().map(a => a.meta_window).find(w => w.get_id() === id);
        if (window)
            Main.activateWindow(window);
    }
}

class Extension {
    enable() {
        this._harness = new Harness();
        this._object = Gio.DBusExportedObject.wrapJSObject(iface, this._harness);
        this._object.export(Gio.DBus.session, '/vn/halvora/Harness');
        this._name = Gio.bus_own_name_on_connection(Gio.DBus.session, 'vn.halvora.Harness',
            Gio.BusNameOwnerFlags.NONE, null, null);
        // GNOME Shell starts in the overview; a typist starts at the desktop.
        if (Main.layoutManager._startingUp)
            this._startup = Main.layoutManager.connect('startup-complete', () => Main.overview.hide());
        else
            Main.overview.hide();
    }

    disable() {
        if (this._startup)
            Main.layoutManager.disconnect(this._startup);
        Gio.bus_unown_name(this._name);
        this._object.unexport();
        this._harness = null;
    }
}

function init() {
    return new Extension();
}
