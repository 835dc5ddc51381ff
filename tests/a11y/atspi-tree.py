#!/usr/bin/env python3
"""Reads the real program's accessible tree over AT-SPI, as a screen reader
does, with ten loopback hosts, and checks what a blind user relies on:

- every focusable control that shows has a name, and no two of one role
  share one;
- every graph is a chart named after its host and description, and says
  what it shows;
- the scale labels say what they mark, the link has its URL and an action;
- the focused graph's changes of state reach the reader in words, once
  each: a steady host sends nothing, a host made to stop answering (an nft
  rule in the run's own network) is told down, and up again;
- by real keys: Tab reaches graph 1 from Quit and graph 4 further on, the
  Menu key and Shift+F10 open a graph's menu, Enter shows its poll log and
  Escape brings the graph back; its "Change host" dialog names its fields,
  and after a change of host the slot's names follow it.

    atspi-tree.py PROGRAM WORKDIR [SCREENSHOT.png]

Prints each failed check and "N passed, M failed" at the end.
"""
import os
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

program, workdir = sys.argv[1], sys.argv[2]
screenshot = sys.argv[3] if len(sys.argv) > 3 else ""
HOSTS = ["127.0.0.%d" % n for n in range(1, 11)]

passed = 0
failed = 0


def check(condition, what):
    global passed, failed
    if condition:
        passed += 1
    else:
        failed += 1
        print("FAILED:", what, flush=True)
    return condition


def walk(node, depth=0):
    if node is None or depth > 40:
        return
    yield node
    try:
        count = node.childCount
    except Exception:
        return
    for i in range(count):
        try:
            child = node.getChildAtIndex(i)
        except Exception:
            continue
        yield from walk(child, depth + 1)


def states(node):
    return node.getState()


def showing(node):
    s = states(node)
    return s.contains(pyatspi.STATE_SHOWING) and s.contains(pyatspi.STATE_VISIBLE)


# Every description change the program sends: its source's name and data.
told = []


def hear(event):
    try:
        name = event.source.name
    except Exception:
        name = None
    told.append((name, event.any_data))


def pump(seconds):
    """Events reach the listener only while the main context runs."""
    end = time.monotonic() + seconds
    context = GLib.MainContext.default()
    while time.monotonic() < end:
        while context.pending():
            context.iteration(False)
        time.sleep(0.02)


def wait_for(what, timeout=20.0):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        found = what()
        if found:
            return found
        pump(0.2)
    return None


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name and "quorvane" in app.name.lower():
            return app
    return None


def nodes_of(app, role_name):
    return [n for n in walk(app) if n.getRoleName() == role_name]


def graphs(app):
    return [n for n in nodes_of(app, "chart") if showing(n)]


def keys(*names):
    subprocess.run(["xdotool", "key", "--delay", "100"] + list(names), check=False)


def focused(node):
    return states(node).contains(pyatspi.STATE_FOCUSED)


def focus_window():
    """No window manager gives the window the keyboard, nor gives it back
    when a dialog closes: xdotool does."""
    window = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", "Quorvane Grapher"],
                            capture_output=True, text=True).stdout.split()
    if window:
        subprocess.run(["xdotool", "windowfocus", "--sync", window[0]], check=False)
    return window


def save_dialog(app):
    return next((n for n in walk(app) if n.getRoleName() in ("dialog", "file chooser") and showing(n)), None)


def keys_reach_the_first_graph(app):
    """Start holds the focus at first; Tab goes to Quit, then to graph 1."""
    first = next((c for c in graphs(app) if c.name.startswith("Graph of 127.0.0.1 ")), None)
    if not check(first, "graph 1 is there"):
        return
    keys("Tab", "Tab")
    check(wait_for(lambda: focused(first), 5), "two Tabs from Start reach graph 1")


def nft(*words):
    subprocess.run(["nft"] + list(words), check=True)


def changes_are_told_in_words():
    """Graph 1 holds the focus; the host it shows is steady, then stops
    answering, then answers again."""
    graph = "Graph of 127.0.0.1 (desc 1)"
    pump(3)
    del told[:]
    pump(5)
    check(not told, "a steady host sends nothing: %r" % told)
    nft("add", "table", "ip", "quorvane-atspi")
    nft("add", "chain", "ip", "quorvane-atspi", "out", "{ type filter hook output priority 0 ; }")
    nft("add", "rule", "ip", "quorvane-atspi", "out", "ip", "daddr", "127.0.0.1", "icmp", "type", "echo-request",
        "reject")
    said = lambda words: [t for t in told if isinstance(t[1], str) and words in t[1]]
    check(wait_for(lambda: said("127.0.0.1 down: "), 30), "the host's going down is told in words: %r" % told)
    nft("delete", "table", "ip", "quorvane-atspi")
    check(wait_for(lambda: said("127.0.0.1 up again"), 30), "its answering again is told in words: %r" % told)
    pump(3)
    check(len(told) == 2 and all(name == graph for name, _ in told),
          "one message per change, from the focused graph: %r" % told)


def focusable_names(app):
    seen = {}
    for node in walk(app):
        s = states(node)
        if not (s.contains(pyatspi.STATE_FOCUSABLE) and showing(node)):
            continue
        if node.getRoleName() in ("menu item", "menu", "check menu item", "radio menu item"):
            continue
        key = (node.getRoleName(), node.name)
        check(node.name, "a %s without a name" % node.getRoleName())
        check(key not in seen, "two %ss named %r" % key)
        seen[key] = node
    return seen


def main():
    os.makedirs(workdir, exist_ok=True)
    with open(os.path.join(workdir, "hosts.txt"), "w") as f:
        for n, host in enumerate(HOSTS, 1):
            f.write("%s;%s;%d\r\n" % (host, "desc %d" % n if n % 2 else "", 30))
    pyatspi.Registry.registerEventListener(hear, "object:property-change:accessible-description")
    proc = subprocess.Popen([program, "hosts.txt"], cwd=workdir)
    try:
        # A sanitizer build on a busy machine takes its time to start and
        # register.
        app = wait_for(application, timeout=60.0)
        if not check(app, "the program shows on the accessibility bus"):
            return
        found = wait_for(lambda: len(graphs(app)) == 10)
        check(found, "ten graphs show")

        names = focusable_names(app)
        charts = graphs(app)
        for n, host in enumerate(HOSTS, 1):
            expected = "Graph of %s (desc %d)" % (host, n) if n % 2 else "Graph of " + host
            check(("chart", expected) in names, "a focusable chart named %r" % expected)
            check(("push button", "Threshold of " + host) in names, "a button named 'Threshold of %s'" % host)
        for chart in charts:
            check(any(h in chart.name for h in HOSTS), "graph %r holds its host" % chart.name)
            s = states(chart)
            check(s.contains(pyatspi.STATE_FOCUSABLE), "graph %r is focusable" % chart.name)
        # The graphs are polled every two seconds: within a few, each says
        # what it shows.
        said = wait_for(lambda: all(c.description.startswith("last ") for c in graphs(app)), 15)
        check(said, "every graph describes its last echo: %r" % [c.description for c in graphs(app)])

        labels = [n.name for n in walk(app) if showing(n)]
        check(sum(1 for l in labels if l.startswith("top of scale ") and l.endswith(" ms")) == 10,
              "ten top scale labels say what they mark")
        check(("slider", "Interval in seconds") in names and ("text", "Interval in seconds") in names,
              "the interval slider and field are named by their labels")
        links = [n for n in nodes_of(app, "link") if showing(n)]
        check(len(links) == 1 and links[0].queryAction().nActions >= 1, "the home page link has an action")

        logs = [n for n in walk(app) if n.name == "Combined log"]
        check(len(logs) == 1, "the combined log is named")

        check(focus_window(), "the window is found on the X server")
        keys_reach_the_first_graph(app)
        changes_are_told_in_words()
        if screenshot:
            time.sleep(1.5)
            subprocess.run(["import", "-window", "root", screenshot], check=False)
        change_host(app)
    finally:
        proc.terminate()
        try:
            proc.wait(30)
            check(proc.returncode >= 0, "the program ends on SIGTERM as Quit ends it (status %d)" % proc.returncode)
        except subprocess.TimeoutExpired:
            proc.kill()
            check(False, "the program ends on SIGTERM")
    print("%d passed, %d failed" % (passed, failed), flush=True)


def change_host(app):
    """By keys alone: Tab to graph 4, its menu, "Change host", a new host."""
    fourth = next((c for c in graphs(app) if c.name == "Graph of 127.0.0.4"), None)
    if not check(fourth, "graph 4 is there"):
        return
    keys(*["Tab"] * 6)
    if not check(wait_for(lambda: focused(fourth), 5), "six more Tabs reach graph 4"):
        return
    # Qt keeps popup menus out of the tree: what their items open shows.
    for menu_key in ("Menu", "shift+F10"):
        keys(menu_key, "g")
        dialog = wait_for(lambda: save_dialog(app), 10)
        check(dialog, "%s opens graph 4's menu, whose G saves the graph" % menu_key)
        keys("Escape")
        check(wait_for(lambda: not save_dialog(app), 10), "Escape closes the save dialog")
        focus_window()
        check(wait_for(lambda: focused(fourth), 5), "graph 4 has the focus again")
    keys("Return")
    log = wait_for(lambda: next((n for n in walk(app) if n.name == "Poll log of 127.0.0.4" and showing(n)), None), 5)
    check(log and focused(log), "Enter shows graph 4's poll log and focuses it")
    keys("Escape")
    check(wait_for(lambda: focused(fourth), 5), "Escape brings graph 4 back, focused")

    keys("Menu", "c")
    host_field = wait_for(lambda: next((n for n in walk(app)
                                        if n.getRoleName() == "text" and n.name.startswith("Host IP address")
                                        and showing(n)), None), 10)
    if not check(host_field, "the change-host dialog names its host field"):
        return
    check(any(n.getRoleName() == "text" and n.name.startswith("Description") and showing(n) for n in walk(app)),
          "the change-host dialog names its description field")
    keys("ctrl+a")
    subprocess.run(["xdotool", "type", "--delay", "50", "127.0.0.40"], check=False)
    keys("Return")
    renamed = wait_for(lambda: next((c for c in graphs(app) if c.name == "Graph of 127.0.0.40"), None), 10)
    check(renamed, "graph 4's name follows its new host")
    names = focusable_names(app)
    check(("push button", "Threshold of 127.0.0.40") in names, "the T button's name follows the new host")
    check(("push button", "Threshold of 127.0.0.4") not in names, "the old host's name is gone")


main()
sys.exit(0 if failed == 0 and passed > 0 else 1)
