-- Run by ardour7-lua with the session folder, "create" or "reload", the plug-in type ("LV2" or
-- "VST3") and Tonvo's id in it. Create: a new session on the Dummy backend with one MIDI track
-- holding the test phrase, Tonvo and the recorder,
-- saved after the phrase played. Reload: the saved session loaded again and the phrase played
-- once more. Either way prints "processors: ..." and "played: ..." (status and note of each
-- message the recorder saw, in order).
local dir, mode, format, id = arg[1], arg[2], arg[3], arg[4]

local function fail (why)
	print ("FAILED: " .. why)
	os.exit (1)
end

AudioEngine:set_backend ("None (Dummy)", "", "")
if AudioEngine:start (false) ~= 0 then fail ("the Dummy backend did not start") end

local track
if mode == "create" then
	if not create_session (dir, "tonvo", 48000) then fail ("no session made") end
	local midi = ARDOUR.DataType ("midi")
	local tracks = Session:new_midi_track (ARDOUR.ChanCount (midi, 1), ARDOUR.ChanCount (midi, 1),
		true, ARDOUR.PluginInfo (), nil, nil, 1, "tonvo", ARDOUR.PresentationInfo.max_order,
		ARDOUR.TrackMode.Normal, true, false)
	track = tracks:front ()
	local chain = {
		ARDOUR.LuaAPI.new_plugin (Session, "Tonvo test phrase", ARDOUR.PluginType.Lua, ""),
		ARDOUR.LuaAPI.new_plugin (Session, id, ARDOUR.PluginType[format], ""),
		ARDOUR.LuaAPI.new_plugin (Session, "Tonvo test recorder", ARDOUR.PluginType.Lua, ""),
	}
	for i, processor in ipairs (chain) do
		if processor:isnil () then fail ("processor " .. i .. " could not be made") end
		if track:add_processor_by_index (processor, i - 1, nil, true) ~= 0 then
			fail ("processor " .. i .. " could not be added")
		end
	end
else
	if not load_session (dir, "tonvo") then fail ("the saved session did not load") end
	track = Session:route_by_name ("tonvo")
	if track:isnil () then fail ("the saved session has no track tonvo") end
end

local names = {}
for i = 0, 2 do
	local processor = track:nth_plugin (i)
	if processor:isnil () then fail ("the track holds fewer than three plug-ins") end
	names[#names + 1] = processor:display_name ()
end
print ("processors: " .. table.concat (names, ", "))

ARDOUR.LuaAPI.usleep (1500000)
local kept = track:nth_plugin (2):to_insert ():plugin (0):to_luaproc ():shmem ():to_int (0):array ()
local played = {}
for i = 0, kept[1] - 1 do
	played[#played + 1] = string.format ("%02x %d", kept[2 + 2 * i], kept[3 + 2 * i])
end
print ("played: " .. table.concat (played, ", "))

if mode == "create" then Session:save_state ("", false, false, false, false, false) end
close_session ()
