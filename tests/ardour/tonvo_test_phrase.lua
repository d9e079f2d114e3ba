ardour {
	["type"]    = "dsp",
	name        = "Tonvo test phrase",
	category    = "Utility",
	license     = "MIT",
	author      = "Brelwick",
	description = [[Plays a fixed phrase of four notes, one every 100 ms from 100 ms after it starts, whatever the transport does.]]
}

function dsp_ioconfig ()
	return { { midi_in = 1, midi_out = 1, audio_in = 0, audio_out = 0 } }
end

-- C4, D4, E4, B4 (frame, status, note) at 48 kHz.
local phrase = {
	{ 4800, 0x90, 60 }, { 7200, 0x80, 60 }, { 9600, 0x90, 62 }, { 12000, 0x80, 62 },
	{ 14400, 0x90, 64 }, { 16800, 0x80, 64 }, { 19200, 0x90, 71 }, { 21600, 0x80, 71 },
}
local played = 0

function dsp_run (_, _, n_samples)
	local count = 1
	for _, event in ipairs (phrase) do
		if event[1] >= played and event[1] < played + n_samples then
			midiout[count] = { time = event[1] - played + 1, data = { event[2], event[3], 100 } }
			count = count + 1
		end
	end
	played = played + n_samples
end
