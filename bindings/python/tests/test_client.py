"""The Python binding against the navigator emulator, on a device of its own. The tests run in
file order: the first finds no navigator, the next ones start it through the library."""
from __future__ import annotations

import os
import shutil
import tempfile
from pathlib import Path
from typing import Iterator, List

import pytest

ROOT = Path(__file__).resolve().parents[3]
DEVICE = tempfile.mkdtemp(prefix="oxsdk-python.")
os.environ["OXSDK_DEVICE_ROOT"] = DEVICE  # before the library first looks at the device
import oxsdk5link  # noqa: E402


@pytest.fixture(scope="module")
def client() -> Iterator[oxsdk5link.Client]:
    with oxsdk5link.Client(name="pytest", timeout=120) as made:
        yield made
        if made.is_application_running():
            made.stop_application()
    shutil.rmtree(DEVICE, ignore_errors=True)


def install_emulator() -> None:
    emulator = os.environ.get("OXSDK_NAVIGATOR_EMULATOR",
                              str(ROOT / "build/default/tools/oxsdk-navigator/oxsdk-navigator"))
    places = ROOT / "tools/oxsdk-navigator/data/places.csv"
    launcher = Path(DEVICE, "Programs", "Ostrel Navigator.exe")
    launcher.parent.mkdir(parents=True)
    launcher.write_text(f'#!/bin/sh\nexec "{emulator}" --gazetteer "{places}" "$@"\n')
    launcher.chmod(0o755)


def test_without_a_navigator_calls_raise_not_running(client: oxsdk5link.Client) -> None:
    assert not client.is_application_running()
    with pytest.raises(oxsdk5link.NotRunning) as raised:
        client.get_application_version()
    assert raised.value.code == oxsdk5link.ResultCode.NOT_RUNNING
    assert isinstance(raised.value, oxsdk5link.NavigatorError)


def test_commands_records_and_the_route(client: oxsdk5link.Client) -> None:
    install_emulator()
    client.start_application()
    assert client.get_application_version().version_text.startswith("5.2")
    client.navigate_to_coordinates(lat=52.0907, lon=5.1214, name="Utrecht")  # degrees
    info = client.get_route_info()
    assert isinstance(info, oxsdk5link.RouteInfo) and info.value9 > 1
    points = client.get_route_coordinates()
    assert len(points) == info.value9
    assert points[-1] == pytest.approx((52.0907, 5.1214), abs=1e-6)
    client.set_favorite(3, "Dom", text2="Domplein 9", value1=52090700, value2=5121400)
    favorite = client.get_favorite(favorite_index=3)
    assert (favorite.text1, favorite.value1) == ("Dom", 52090700)
    session = client.geocode_async("Domplein 9", "Utrecht", "NL")
    place = client.geocode_async_retrieve(session)
    assert place.value1 == pytest.approx(52094809, abs=100)  # the Dom tower


def test_the_watcher_iterates_over_events(client: oxsdk5link.Client) -> None:
    events = client.watch(interval=0.05)
    first = next(events)
    assert (first.kind, first.sequence) == (oxsdk5link.WatchEventKind.NAVIGATOR_STARTED, 1)
    assert first.lat == pytest.approx(52.09, abs=1) and first.arrived is False
    events.close()


@pytest.mark.parametrize("call, error", [
    (lambda c: c.get_favorite(7), oxsdk5link.ResultCode.FAVORITE_EMPTY),
    (lambda c: c.geocode("Nowhere 1", "Atlantis", "XX"), oxsdk5link.ResultCode.UNKNOWN_PLACE),
])
def test_refusals_raise_with_the_navigators_code(client: oxsdk5link.Client, call, error) -> None:
    with pytest.raises(oxsdk5link.NavigatorError) as raised:
        call(client)
    assert raised.value.code == error


def test_argument_mistakes_are_python_errors(client: oxsdk5link.Client) -> None:
    with pytest.raises(TypeError):
        client.flash_message("hi")  # a missing argument
    with pytest.raises(TypeError):
        client.flash_message("hi", 5, colour="red")


def test_a_navigator_written_in_python_and_a_deadline() -> None:
    seen: List[List[str]] = []

    def handler(fields: List[str]) -> List[str]:
        seen.append(fields)
        return ["0", "py-1.0", "7"]

    with oxsdk5link.Client(name="pyapp", navigator="pynav", timeout=0.5) as app:
        session = app.get_application_version_async()
        assert oxsdk5link.serve_pass("pynav", handler) == 1
        version = app.get_application_version_async_retrieve(session)
        assert (version.version_text, version.version_number) == ("py-1.0", 7)
        assert seen == [["GetApplicationVersionV01"]]
        with pytest.raises(oxsdk5link.Timeout):  # nobody serves pynav now
            app.get_application_version_async_retrieve(app.get_application_version_async())
