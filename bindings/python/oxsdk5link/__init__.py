"""Drives a navigation application from Python through the OXSDK5Link library's C interface.

    import oxsdk5link
    with oxsdk5link.Client(name="myapp", navigator="OstrelNavigator") as client:
        print(client.get_application_version().version_text)
        client.navigate_to_coordinates(lat=52.0907, lon=5.1214, name="Utrecht")
        points = client.get_route_coordinates()   # [(lat, lon), ...] in degrees

Every remote command of the library is a method of Client, named in snake case, with its
arguments positional or by keyword; the methods are made at import from the command catalogue
that the library describes, so that this module holds no list of commands. A coordinate is a
float in degrees or an int in microdegrees (the wire form). A command the navigation
application refuses raises NavigatorError (its code in .code); the library's own failures raise
its subclasses NotSent, MalformedReply, NotRunning and Timeout. stop_application() returns
True when the navigation application is gone (or did not run), False when it accepted but its
window stayed.
"""
from __future__ import annotations

import ctypes
import ctypes.util
import dataclasses
import enum
import os
import re
import time
from pathlib import Path
from typing import Any, Callable, Dict, Iterator, List, Optional, Sequence, Tuple, Type

__all__ = ["Client", "Session", "ResultCode", "WatchEvent", "WatchEventKind", "NavigatorError", "NotSent", "MalformedReply",
           "NotRunning", "Timeout", "serve_pass", "wait_for_command", "library_version"]


class ResultCode(enum.IntEnum):
    """The library's own codes (negative) and the navigator emulator's result codes."""
    NOT_SENT = -1
    MALFORMED_REPLY = -2
    NOT_RUNNING = -5
    TIMEOUT = -6
    SUCCESS = 0
    UNKNOWN_COMMAND = 1
    WRONG_ARGUMENT_COUNT = 2
    UNKNOWN_PLACE = 3
    NO_ROUTE = 4
    INVALID_ARGUMENT = 5
    FAVORITE_EMPTY = 6
    POI_NOT_FOUND = 7
    STORAGE_FAILURE = 8
    OUTPUT_FILE_FAILURE = 9
    INTERNAL_ERROR = 99


class NavigatorError(Exception):
    """A command did not succeed; .code is a ResultCode, or the navigator's own int."""

    def __init__(self, command: str, code: int) -> None:
        self.command = command
        try:
            self.code: int = ResultCode(code)
        except ValueError:
            self.code = code
        name = self.code.name if isinstance(self.code, ResultCode) else str(code)
        super().__init__(f"{command}: {name} ({code})")


class NotSent(NavigatorError):
    """Nothing was sent (the exchange folder cannot be written, or a null session)."""


class MalformedReply(NavigatorError):
    """The reply had a field count the command does not accept."""


class NotRunning(NavigatorError):
    """The navigation application does not run, could not be started, or went."""


class Timeout(NavigatorError):
    """The reply did not come before the client's reply timeout."""


_ERRORS: Dict[int, Type[NavigatorError]] = {-1: NotSent, -2: MalformedReply, -5: NotRunning,
                                            -6: Timeout}


def _load_library() -> ctypes.CDLL:
    """The library named by OXSDK5LINK_LIBRARY, else the one installed beside this package,
    else the one of a source checkout's default build, else the system's."""
    here = Path(__file__).resolve().parent
    names = ["libOXSDK5Link.so.5", "libOXSDK5Link.so", "libOXSDK5Link.dll"]
    candidates = [os.environ.get("OXSDK5LINK_LIBRARY", "")]
    for folder in (here.parents[2], here.parents[2] / "bin",  # <prefix>/lib/python3/dist-packages
                   here.parents[2] / "build" / "default" / "src"):  # bindings/python in a checkout
        candidates += [str(folder / name) for name in names]
    candidates.append(ctypes.util.find_library("OXSDK5Link") or "")
    for candidate in candidates:
        if candidate and (os.path.isfile(candidate) or "/" not in candidate):
            try:
                return ctypes.CDLL(candidate)
            except OSError:
                continue
    raise OSError("libOXSDK5Link not found: set OXSDK5LINK_LIBRARY to its path")


_lib = _load_library()


class _Error(ctypes.Structure):
    _fields_ = [("error_code", ctypes.c_int32)]


class _Description(ctypes.Structure):
    _fields_ = [("name", ctypes.c_char_p), ("wire_name", ctypes.c_char_p),
                ("record_name", ctypes.c_char_p), ("argument_count", ctypes.c_int32),
                ("field_count", ctypes.c_int32), ("route_coordinates", ctypes.c_int32)]


class _Item(ctypes.Structure):
    _fields_ = [("name", ctypes.c_char_p), ("kind", ctypes.c_int32), ("capacity", ctypes.c_int32)]


class _Pair(ctypes.Structure):
    _fields_ = [("first", ctypes.c_int32), ("second", ctypes.c_int32)]


class _Route(ctypes.Structure):
    _fields_ = [("count", ctypes.c_int32), ("coordinates", ctypes.POINTER(_Pair))]


class _WatchEvent(ctypes.Structure):
    _fields_ = [("kind", ctypes.c_int32), ("waypoint_index", ctypes.c_int32),
                ("sequence", ctypes.c_uint64), ("time_milliseconds", ctypes.c_int64),
                ("has_position", ctypes.c_int32), ("latitude", ctypes.c_int32),
                ("longitude", ctypes.c_int32), ("has_route", ctypes.c_int32),
                ("speed_metres_per_second", ctypes.c_double), ("route_points", ctypes.c_int32),
                ("off_route", ctypes.c_int32), ("route_metres", ctypes.c_double),
                ("travelled_metres", ctypes.c_double), ("left_metres", ctypes.c_double),
                ("seconds_left", ctypes.c_double), ("off_route_metres", ctypes.c_double),
                ("arrived", ctypes.c_int32)]


def _declare(name: str, result: Any, *arguments: Any) -> Any:
    function = getattr(_lib, name)
    function.restype = result
    function.argtypes = list(arguments)
    return function


_client_new = _declare("oxsdk_client_new", ctypes.c_void_p, ctypes.c_char_p, ctypes.c_char_p,
                       ctypes.c_int32)
_client_free = _declare("oxsdk_client_free", None, ctypes.c_void_p)
_set_reply_timeout = _declare("oxsdk_set_reply_timeout", None, ctypes.c_void_p, ctypes.c_int32)
_free = _declare("oxsdk_free", None, ctypes.c_void_p)
_session_free = _declare("oxsdk_session_free", None, ctypes.c_void_p)
_return_available = _declare("oxsdk_return_available", ctypes.c_int, ctypes.c_void_p,
                             ctypes.c_void_p)
_is_running = _declare("oxsdk_is_application_running", ctypes.c_int, ctypes.c_void_p,
                       ctypes.POINTER(_Error))
_start = _declare("oxsdk_start_application", ctypes.c_int, ctypes.c_void_p,
                  ctypes.POINTER(_Error))
_library_version = _declare("oxsdk_library_version", ctypes.c_char_p)
_describe_command = _declare("oxsdk_describe_command", ctypes.c_int, ctypes.c_int32,
                             ctypes.POINTER(_Description))
_describe_argument = _declare("oxsdk_describe_argument", ctypes.c_int, ctypes.c_int32,
                              ctypes.c_int32, ctypes.POINTER(_Item))
_describe_field = _declare("oxsdk_describe_field", ctypes.c_int, ctypes.c_int32, ctypes.c_int32,
                           ctypes.POINTER(_Item))
_CALLBACK = ctypes.CFUNCTYPE(None, ctypes.c_void_p, ctypes.POINTER(ctypes.c_char_p),
                             ctypes.c_int32, ctypes.c_void_p)
_process_events = _declare("oxsdk_navigator_process_events", None, ctypes.c_char_p, _CALLBACK,
                           ctypes.c_void_p)
_wait_for_command = _declare("oxsdk_navigator_wait_for_command", ctypes.c_int, ctypes.c_char_p,
                             ctypes.c_int32)
_reply_append = _declare("oxsdk_reply_append", None, ctypes.c_void_p, ctypes.c_char_p)
_reply_send = _declare("oxsdk_reply_send", None, ctypes.c_void_p)
_WATCH_CALLBACK = ctypes.CFUNCTYPE(None, ctypes.c_void_p, ctypes.POINTER(_WatchEvent))
_watcher_new = _declare("oxsdk_watcher_new", ctypes.c_void_p, ctypes.c_void_p)
_watcher_poll = _declare("oxsdk_watcher_poll", ctypes.c_int, ctypes.c_void_p, _WATCH_CALLBACK,
                         ctypes.c_void_p)
_watcher_set_waypoints = _declare("oxsdk_watcher_set_waypoints", ctypes.c_int32, ctypes.c_void_p,
                                  ctypes.POINTER(_Pair), ctypes.c_int32)
_watcher_free = _declare("oxsdk_watcher_free", None, ctypes.c_void_p)


class WatchEventKind(enum.IntEnum):
    """What a watch event says happened."""
    NAVIGATOR_STARTED = 1
    NAVIGATOR_STOPPED = 2
    ROUTE_STARTED = 3
    ROUTE_CHANGED = 4
    ROUTE_CLEARED = 5
    PROGRESS = 6
    WAYPOINT_REACHED = 7
    DESTINATION_REACHED = 8
    OFF_ROUTE = 9
    BACK_ON_ROUTE = 10
    POSITION_LOST = 11
    POSITION_REGAINED = 12


@dataclasses.dataclass
class WatchEvent:
    """One event of Client.watch(); lat and lon in degrees (None without a position)."""
    kind: WatchEventKind
    sequence: int
    time_milliseconds: int
    lat: Optional[float]
    lon: Optional[float]
    speed_metres_per_second: float
    route_points: int
    route_metres: float
    travelled_metres: float
    left_metres: float
    seconds_left: Optional[float]
    off_route_metres: float
    off_route: bool
    arrived: bool
    waypoint_index: Optional[int]


def library_version() -> str:
    """The library's version, e.g. "5.2.0"."""
    return _library_version().decode()


def _snake(name: str) -> str:
    """GetRouteInfo -> get_route_info, EnableExternalGPSInput -> enable_external_gps_input."""
    return re.sub(r"(?<=[a-z0-9])(?=[A-Z])|(?<=[A-Z])(?=[A-Z][a-z])", "_", name).lower()


# Pythonic keywords beside the catalogue's parameter names.
_ALIASES = {"coordinate1": "lat", "coordinate2": "lon", "coordinate3": "lat2",
            "coordinate4": "lon2", "destination_text": "name", "message_text": "text"}
_COORDINATES = {"coordinate1", "coordinate2", "coordinate3", "coordinate4"}
_ENCODING = "utf-8"


def _number(parameter: str, value: Any) -> int:
    """A coordinate given as a float is in degrees; every other number is sent as it is."""
    if parameter in _COORDINATES and isinstance(value, float):
        return round(value * 1_000_000)
    if isinstance(value, bool) or not isinstance(value, int):
        raise TypeError(f"{parameter}: an int is needed, not {type(value).__name__}")
    return value


@dataclasses.dataclass
class _Command:
    name: str                    # GetRouteInfo
    snake: str                   # get_route_info
    parameters: List[Tuple[str, int]]  # (snake-case name, kind)
    record: Optional[Type[Any]]  # the dataclass of the reply record
    fields: List[Tuple[str, int, int]]  # (snake-case member, kind, capacity)
    route: bool


def _record_class(record_name: str, fields: List[Tuple[str, int, int]]) -> Tuple[Type[Any], Any]:
    """The dataclass of a reply record and the ctypes structure of the same layout."""
    layout = [(name, ctypes.c_char * capacity if kind == 1 else ctypes.c_int32)
              for name, kind, capacity in fields]
    structure = type("_" + record_name, (ctypes.Structure,), {"_fields_": layout})
    annotations = {name: (str if kind == 1 else int) for name, kind, _ in fields}
    record = dataclasses.make_dataclass(record_name[1:], list(annotations.items()))
    record.__module__ = __name__
    return record, structure


def _catalogue() -> List[_Command]:
    commands = []
    records: Dict[str, Tuple[Type[Any], Any]] = {}
    index = 0
    description = _Description()
    while _describe_command(index, ctypes.byref(description)) == 0:
        item = _Item()
        parameters = []
        for argument in range(description.argument_count):
            _describe_argument(index, argument, ctypes.byref(item))
            parameters.append((_snake(item.name.decode()), item.kind))
        fields = []
        for field in range(description.field_count):
            _describe_field(index, field, ctypes.byref(item))
            fields.append((_snake(item.name.decode()), item.kind, item.capacity))
        record = None
        if fields:
            record_name = description.record_name.decode()
            records.setdefault(record_name, _record_class(record_name, fields))
            record = records[record_name]
        commands.append(_Command(description.name.decode(), _snake(description.name.decode()),
                                 parameters, record, fields, bool(description.route_coordinates)))
        index += 1
    return commands


class Session:
    """A command sent by an `..._async` method, until its `..._async_retrieve` (or close)."""

    def __init__(self, client: "Client", command: str, handle: int) -> None:
        self.client, self.command, self._handle = client, command, handle

    def available(self) -> bool:
        """Whether the reply can be read without waiting."""
        return bool(self._handle) and _return_available(self.client._handle, self._handle) == 1

    def _take(self) -> Optional[int]:
        handle, self._handle = self._handle, None
        return handle

    def close(self) -> None:
        """Withdraws the command when its reply was not retrieved."""
        handle = self._take()
        if handle:
            _session_free(handle)


class Client:
    """A client of one navigation application. Use it in a `with` block, or call close()."""

    def __init__(self, name: str = "python", navigator: str = "OstrelNavigator", pid: int = -1,
                 timeout: Optional[float] = None) -> None:
        self._handle = _client_new(name.encode(_ENCODING), navigator.encode(_ENCODING), pid)
        if not self._handle:
            raise ValueError(f"cannot make a client named {name!r} for {navigator!r}")
        if timeout is not None:
            _set_reply_timeout(self._handle, max(1, round(timeout * 1000)))

    def __enter__(self) -> "Client":
        return self

    def __exit__(self, *exception: object) -> None:
        self.close()

    def close(self) -> None:
        """Frees the client; a closed client refuses every call."""
        if self._handle:
            _client_free(self._handle)
            self._handle = None

    def is_application_running(self) -> bool:
        """Whether the navigation application's window exists."""
        return _is_running(self._handle, ctypes.byref(_Error())) == 1

    def start_application(self) -> None:
        """Starts the navigation application unless it runs; raises when it cannot."""
        error = _Error(0)
        _start(self._handle, ctypes.byref(error))
        if error.error_code != 0:
            raise _ERRORS.get(error.error_code, NavigatorError)("StartApplication",
                                                                error.error_code)


def _watch(client: Client, interval: float,
           waypoints: Sequence[Tuple[float, float]] = ()) -> Iterator[WatchEvent]:
    """The navigator's events as they happen, polled every `interval` seconds by the library's
    watcher (it never starts the navigator); `waypoints` are the route's intermediate stops in
    degrees. Ends when the caller stops iterating."""
    watcher = _watcher_new(client._handle)
    if not watcher:
        raise OSError("the library has no watcher here (built without GeographicLib)")
    try:
        if waypoints:
            pairs = (_Pair * len(waypoints))(*[_Pair(round(lat * 1e6), round(lon * 1e6))
                                               for lat, lon in waypoints])
            _watcher_set_waypoints(watcher, pairs, len(waypoints))
        while True:
            events: List[WatchEvent] = []

            def on_event(_payload: Any, event: Any) -> None:
                e = event.contents
                events.append(WatchEvent(
                    WatchEventKind(e.kind), e.sequence, e.time_milliseconds,
                    e.latitude / 1e6 if e.has_position else None,
                    e.longitude / 1e6 if e.has_position else None, e.speed_metres_per_second,
                    e.route_points, e.route_metres, e.travelled_metres, e.left_metres,
                    e.seconds_left if e.seconds_left >= 0 else None, e.off_route_metres,
                    bool(e.off_route), bool(e.arrived),
                    e.waypoint_index if e.waypoint_index >= 0 else None))

            started = time.monotonic()
            _watcher_poll(watcher, _WATCH_CALLBACK(on_event), None)
            yield from events
            time.sleep(max(0.0, interval - (time.monotonic() - started)))
    finally:
        _watcher_free(watcher)


Client.watch = _watch  # type: ignore[attr-defined]


def _arguments(command: _Command, values: Sequence[Any], keywords: Dict[str, Any]) -> List[Any]:
    if len(values) > len(command.parameters):
        raise TypeError(f"{command.snake}: at most {len(command.parameters)} arguments")
    out = []
    for position, (parameter, kind) in enumerate(command.parameters):
        alias = _ALIASES.get(parameter)
        if position < len(values):
            value = values[position]
        elif parameter in keywords:
            value = keywords.pop(parameter)
        elif alias in keywords:
            value = keywords.pop(alias)
        else:
            raise TypeError(f"{command.snake}: missing argument {alias or parameter!r}")
        if kind == 0:
            out.append(value.encode(_ENCODING) if isinstance(value, str) else bytes(value))
        else:
            out.append(_number(parameter, value))
    if keywords:
        raise TypeError(f"{command.snake}: unknown arguments {sorted(keywords)}")
    return out


def _decode(command: _Command, structure: Any) -> Any:
    values = {}
    for name, kind, _ in command.fields:
        value = getattr(structure, name)
        values[name] = value.decode(_ENCODING, "replace") if kind == 1 else value
    return command.record[0](**values)


def _route_pairs(route: _Route) -> List[Tuple[float, float]]:
    try:
        return [(route.coordinates[i].first / 1e6, route.coordinates[i].second / 1e6)
                for i in range(max(route.count, 0))]
    finally:
        _free(ctypes.cast(route.coordinates, ctypes.c_void_p))


def _check(command: _Command, result: int, error: _Error) -> None:
    code = error.error_code if error.error_code != 0 else result
    if code != 0:
        raise _ERRORS.get(code, NavigatorError)(command.name, code)


def _bind(command: _Command) -> None:
    """Adds the three forms of `command` to Client."""
    c_types = [ctypes.c_char_p if kind == 0 else ctypes.c_int32 for _, kind in command.parameters]
    reply_type: Any = None
    if command.route:
        reply_type = _Route
    elif command.record is not None:
        reply_type = command.record[1]
    reply = [ctypes.POINTER(reply_type)] if reply_type is not None else []
    blocking = _declare("oxsdk_" + command.snake, ctypes.c_int, ctypes.c_void_p,
                        ctypes.POINTER(_Error), *reply, *c_types)
    send = _declare(f"oxsdk_{command.snake}_async", ctypes.c_void_p, ctypes.c_void_p,
                    ctypes.c_int32, *c_types)
    retrieve = _declare(f"oxsdk_{command.snake}_async_retrieve", ctypes.c_int, ctypes.c_void_p,
                        ctypes.c_void_p, ctypes.POINTER(_Error), *reply)

    def finish(call: Callable[..., int]) -> Any:
        error = _Error(0)
        if reply_type is None:
            result = call(ctypes.byref(error))
            if command.name == "StopApplication" and result == 0 and error.error_code in (0, -5):
                return error.error_code == -5  # gone (or not running), or still there after 11 s
            _check(command, result, error)
            return None
        out = reply_type()
        result = call(ctypes.byref(error), ctypes.byref(out))
        if command.route:
            pairs = _route_pairs(out)
            _check(command, result, error)
            return pairs
        _check(command, result, error)
        return _decode(command, out)

    def call(self: Client, *values: Any, **keywords: Any) -> Any:
        arguments = _arguments(command, values, keywords)
        return finish(lambda *out: blocking(self._handle, *out, *arguments))

    def call_async(self: Client, *values: Any, **keywords: Any) -> Session:
        arguments = _arguments(command, values, keywords)
        handle = send(self._handle, 0, *arguments)
        if not handle:
            raise NotSent(command.name, -1)
        return Session(self, command.name, handle)

    def call_retrieve(self: Client, session: Session) -> Any:
        handle = session._take()
        return finish(lambda *out: retrieve(self._handle, handle, *out))

    names = [alias or name for name, _ in command.parameters
             for alias in [_ALIASES.get(name)]]
    call.__doc__ = f"{command.name}({', '.join(names)}): blocking; starts the navigator if needed."
    call_async.__doc__ = f"Sends {command.name}; returns its Session."
    call_retrieve.__doc__ = f"Waits for the reply to a {command.name} Session."
    for function, suffix in ((call, ""), (call_async, "_async"), (call_retrieve, "_async_retrieve")):
        function.__name__ = command.snake + suffix
        setattr(Client, function.__name__, function)


COMMANDS = _catalogue()
for _command in COMMANDS:
    _bind(_command)
    if _command.record is not None:
        globals()[_command.record[0].__name__] = _command.record[0]


def serve_pass(name: str, handler: Callable[[List[str]], Sequence[str]]) -> int:
    """The navigation application's side: one pass over the commands addressed to `name`; each
    one's fields (field 0 the wire name) go to `handler`, whose returned fields (field 0 the
    result code, "0" for success) are the reply. Returns the number of commands handled. An
    exception in the handler is answered with code 99."""
    handled = 0

    def on_command(_payload: Any, fields: Any, count: int, reply: Any) -> None:
        nonlocal handled
        handled += 1
        texts = [fields[i].decode(_ENCODING, "replace") for i in range(count)]
        try:
            answer = [str(field) for field in handler(texts)]
        except Exception:  # the handler's fault must not escape into the library
            answer = ["99"]
        if reply:
            for field in answer or ["0"]:
                _reply_append(reply, field.encode(_ENCODING))
            _reply_send(reply)

    _process_events(name.encode(_ENCODING), _CALLBACK(on_command), None)
    return handled


def wait_for_command(name: str, timeout: float) -> bool:
    """Waits until a command for `name` may have come (True) or `timeout` seconds pass."""
    return _wait_for_command(name.encode(_ENCODING), round(timeout * 1000)) == 1
