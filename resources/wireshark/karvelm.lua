-- Wireshark dissector for the Ethernet link of the KarvelM module.
--
-- Every UDP datagram carries one framed packet: a 12-byte header (type, command code or
-- status, length, sequence number, checksum; little-endian) and the payload; datagrams
-- shorter than 64 bytes are padded. The module answers a packet with the same sequence
-- number, so replies and data packets are matched to their requests by that number within
-- a conversation. Registered on UDP port 30000; "Decode As" (-d udp.port==N,karvelm) works
-- for any other port.
--
-- Load it with:  wireshark -X lua_script:karvelm.lua  (or tshark), or copy this file to
-- ~/.local/lib/wireshark/plugins/.

local karvelm = Proto("karvelm", "KarvelM module link")

local HEADER_SIZE = 12
local TYPE_COMMAND = 1
local TYPE_DATA = 2
local STATUS_FAILURE = 0xFF
local LOADER_ID = 0x3B04

-- Command codes. 0x09 and 0x0C mean one thing to the application and another to the
-- bootloader; the dissector tells them apart from the payload and what the module answers.
local COMMANDS = {
  [0x01] = "cmdIdentify",
  [0x02] = "cmdGetVersion",
  [0x03] = "cmdReadBus",
  [0x04] = "cmdWriteBus",
  [0x07] = "cmdOpenRead",
  [0x08] = "cmdWriteConfig",
  [0x09] = "cmdEnterLoader / cmdWriteFirmware",
  [0x0A] = "cmdGetOtherVersion",
  [0x0B] = "cmdRestart",
  [0x0C] = "cmdGetPanelLink / cmdReadNext",
  [0x0D] = "cmdGetExtModule",
  [0x0E] = "cmdGetPanelStats",
  [0x0F] = "cmdGetExtModuleStats",
  [0x10] = "cmdGetDacCorrection",
  [0x11] = "cmdSetDacCorrection",
  [0x12] = "cmdSaveDacCorrection",
  [0x14] = "cmdGetBosiVersion",
  [0x15] = "cmdGetPanelFwVersion",
  [0x16] = "cmdPrepareBosiUpdate",
  [0x17] = "cmdGetUpdateStatus",
  [0x18] = "cmdWriteBosiFirmware",
  [0x19] = "cmdPause",
  [0x1A] = "cmdResume",
  [0x1C] = "cmdPreparePanelUpdate",
  [0x1D] = "cmdWritePanelFirmware",
  [0x1E] = "cmdFinishPanelUpdate",
  [0x1F] = "cmdFinishBosiUpdate",
  [0x20] = "cmdPrepareExtModuleUpdate",
  [0x21] = "cmdWriteExtModuleFirmware",
  [0x22] = "cmdFinishExtModuleUpdate",
}

-- Commands only the bootloader answers, and those only the application answers; what is
-- sent tells which program the module runs, which settles 0x0C.
local LOADER_COMMANDS = {
  cmdOpenRead = true, cmdWriteConfig = true, cmdWriteFirmware = true, cmdRestart = true,
  cmdReadNext = true,
}
-- Commands whose data packets follow them (Transact, then WriteData).
local TRANSFER_COMMANDS = {
  cmdWriteConfig = true, cmdWriteFirmware = true, cmdWriteBosiFirmware = true,
  cmdWritePanelFirmware = true, cmdWriteExtModuleFirmware = true,
}
-- Commands the module does not answer (SendCommand only).
local UNANSWERED_COMMANDS = { cmdEnterLoader = true, cmdRestart = true }

local IDENTITIES = {
  [0x3B04] = "bootloader",
  [0x3B05] = "application, first-generation USB module",
  [0x3B07] = "application, second-generation USB or Ethernet module",
}

local f = karvelm.fields
f.type = ProtoField.uint8("karvelm.type", "Type", base.DEC,
                          { [TYPE_COMMAND] = "command or reply", [TYPE_DATA] = "data" })
f.code = ProtoField.uint8("karvelm.code", "Command code", base.HEX, COMMANDS)
f.status = ProtoField.uint8("karvelm.status", "Status", base.HEX)
f.length = ProtoField.uint16("karvelm.length", "Length", base.DEC)
f.seq = ProtoField.uint32("karvelm.seq", "Sequence number", base.DEC)
f.checksum = ProtoField.uint32("karvelm.checksum", "Checksum", base.HEX)
f.checksum_status = ProtoField.uint8("karvelm.checksum.status", "Checksum status", base.DEC,
                                     { [0] = "Bad", [1] = "Good" })
f.direction = ProtoField.string("karvelm.direction", "Direction")
f.command = ProtoField.string("karvelm.command", "Command")
f.request_in = ProtoField.framenum("karvelm.request_in", "Request in", base.NONE,
                                   frametype.REQUEST)
f.response_in = ProtoField.framenum("karvelm.response_in", "Response in", base.NONE,
                                    frametype.RESPONSE)
f.payload = ProtoField.bytes("karvelm.payload", "Payload")
f.data = ProtoField.bytes("karvelm.data", "Data")
f.data_length = ProtoField.uint32("karvelm.data.length", "Data length", base.DEC)
f.unused = ProtoField.bytes("karvelm.unused", "Not used")
f.padding = ProtoField.bytes("karvelm.padding", "Padding")

f.identity = ProtoField.uint16("karvelm.identity", "Identity", base.HEX, IDENTITIES)
f.version = ProtoField.uint32("karvelm.version", "Version word", base.HEX)
f.version_text = ProtoField.string("karvelm.version.text", "Version")
f.bus_address = ProtoField.uint32("karvelm.bus.address", "Bus address", base.OCT)
f.bus_count = ProtoField.uint32("karvelm.bus.count", "Word count", base.DEC)
f.bus_count2 = ProtoField.uint32("karvelm.bus.count2", "Word count (repeated)", base.DEC)
f.bus_value = ProtoField.uint32("karvelm.bus.value", "Value", base.OCT)
f.bus_word = ProtoField.uint16("karvelm.bus.word", "Word", base.OCT)
f.storage_address = ProtoField.uint32("karvelm.storage.address", "Storage address", base.HEX)
f.block_length = ProtoField.uint32("karvelm.storage.length", "Block length", base.DEC)
f.total_length = ProtoField.uint32("karvelm.total_length", "Total data length", base.DEC)
f.console_present = ProtoField.uint32("karvelm.panel.console", "Console present", base.DEC)
f.panel_regs_present = ProtoField.uint32("karvelm.panel.registers", "Panel registers present",
                                         base.DEC)
f.ext_type = ProtoField.uint32("karvelm.ext.type", "External module type", base.DEC)
f.ext_index = ProtoField.uint32("karvelm.ext.index", "External module index", base.DEC)
f.net_address = ProtoField.uint32("karvelm.ext.net_address", "Network address", base.HEX)
f.register_map = ProtoField.bytes("karvelm.ext.register_map", "Register map")
f.exchanges = ProtoField.uint32("karvelm.stats.exchanges", "Exchanges", base.DEC)
f.timeouts = ProtoField.uint32("karvelm.stats.timeouts", "Timeouts", base.DEC)
f.errors = ProtoField.uint32("karvelm.stats.errors", "Errors", base.DEC)
f.dac_correction = ProtoField.int32("karvelm.dac.correction", "Correction", base.DEC)
f.update_status = ProtoField.uint32("karvelm.update.status", "Update status", base.DEC)

local e_malformed = ProtoExpert.new("karvelm.malformed", "Malformed packet", expert.group.MALFORMED,
                                    expert.severity.ERROR)
local e_checksum = ProtoExpert.new("karvelm.checksum.bad", "Bad checksum", expert.group.CHECKSUM,
                                   expert.severity.ERROR)
local e_failure = ProtoExpert.new("karvelm.failure", "The module reports failure",
                                  expert.group.RESPONSE_CODE, expert.severity.WARN)
local e_unanswered = ProtoExpert.new("karvelm.unmatched", "No request with this sequence number",
                                     expert.group.SEQUENCE, expert.severity.NOTE)
karvelm.experts = { e_malformed, e_checksum, e_failure, e_unanswered }

karvelm.prefs.udp_port = Pref.uint("UDP port", 30000, "The module's UDP port")

-- Per capture: each conversation's state while packets are first dissected in order, and
-- what was decided for each frame, so that later (random) visits show the same.
local conversations = {}
local frames = {}

function karvelm.init()
  conversations = {}
  frames = {}
end

-- Rotate left by one bit, then add the byte, over the length bytes with the checksum field
-- taken as 0. Plain arithmetic, so that it runs on every Lua version Wireshark ships.
local TWO32 = 4294967296
local function packet_checksum(tvb, length)
  local sum = 0
  for i = 0, length - 1 do
    local byte = 0
    if i < 8 or i >= 12 then byte = tvb(i, 1):uint() end
    sum = ((sum * 2) % TWO32 + math.floor(sum / 2147483648) + byte) % TWO32
  end
  return sum
end

local function format_version(word)
  local major = math.floor(word / 16777216) % 256
  local minor = math.floor(word / 65536) % 256
  local build = math.floor(word / 256) % 256
  return string.format("%d.%d.%d.", major, minor, build)
end

local function octal(value)
  return string.format("%06o", value)
end

-- Field helpers: each takes the payload range and an offset and returns the value read, or
-- nil when the payload ends before it.
local function add_u32(tree, field, range, at, label)
  if range:len() < at + 4 then return nil end
  local value = range(at, 4):le_uint()
  local item = tree:add_le(field, range(at, 4))
  if label then item:append_text(label(value)) end
  return value
end

local function add_version(tree, range, at)
  local word = add_u32(tree, f.version, range, at, function(w)
    return " (" .. format_version(w) .. (w == 0 and ", absent" or "") .. ")"
  end)
  if word then tree:add(f.version_text, format_version(word)):set_generated() end
  return word
end

local function add_bytes(tree, field, range, at, count)
  if range:len() < at + count then return nil end
  tree:add(field, range(at, count))
  return true
end

local function add_dac_table(tree, range)
  for channel = 0, 7 do
    if range:len() < channel * 4 + 4 then return end
    tree:add_le(f.dac_correction, range(channel * 4, 4)):prepend_text("Channel " .. channel + 1 .. ": ")
  end
end

-- Command payloads by command name; each returns the bytes its layout covers and may note
-- what the reply decoding needs in req.
local REQUEST_LAYOUTS = {
  cmdReadBus = function(tree, range, req)
    req.address = add_u32(tree, f.bus_address, range, 0)
    req.count = add_u32(tree, f.bus_count, range, 4)
    add_u32(tree, f.bus_count2, range, 8)
    return 12
  end,
  cmdWriteBus = function(tree, range)
    add_u32(tree, f.bus_address, range, 0)
    add_u32(tree, f.bus_value, range, 4)
    if range:len() > 8 then tree:add(f.unused, range(8)) end
    return range:len()
  end,
  cmdOpenRead = function(tree, range)
    add_u32(tree, f.storage_address, range, 0)
    add_u32(tree, f.block_length, range, 4)
    return 8
  end,
  cmdGetExtModule = function(tree, range)
    add_u32(tree, f.ext_type, range, 0)
    add_u32(tree, f.ext_index, range, 4)
    return 8
  end,
  cmdSetDacCorrection = function(tree, range)
    add_dac_table(tree, range)
    return 32
  end,
  cmdPrepareExtModuleUpdate = function(tree, range)
    add_u32(tree, f.net_address, range, 0)
    return 4
  end,
}
REQUEST_LAYOUTS.cmdGetExtModuleStats = REQUEST_LAYOUTS.cmdGetExtModule
for name in pairs(TRANSFER_COMMANDS) do
  REQUEST_LAYOUTS[name] = function(tree, range)
    add_u32(tree, f.total_length, range, 0)
    return 4
  end
end

local function add_stats(tree, range)
  add_u32(tree, f.exchanges, range, 0)
  add_u32(tree, f.timeouts, range, 4)
  add_u32(tree, f.errors, range, 8)
  return 12
end

-- Reply payloads by the name of the command answered.
local REPLY_LAYOUTS = {
  cmdIdentify = function(tree, range)
    if range:len() >= 2 then tree:add_le(f.identity, range(0, 2)) end
    return 2
  end,
  cmdGetVersion = function(tree, range)
    add_version(tree, range, 0)
    return 4
  end,
  cmdGetPanelLink = function(tree, range)
    add_u32(tree, f.console_present, range, 0)
    add_u32(tree, f.panel_regs_present, range, 4)
    add_version(tree, range, 8)
    return 12
  end,
  cmdGetExtModule = function(tree, range)
    add_u32(tree, f.net_address, range, 0, function(v) return v == 0 and " (no module)" or "" end)
    add_bytes(tree, f.register_map, range, 4, 16)
    add_version(tree, range, 20)
    add_bytes(tree, f.unused, range, 24, 4)
    return 28
  end,
  cmdGetPanelStats = add_stats,
  cmdGetExtModuleStats = add_stats,
  cmdGetDacCorrection = function(tree, range)
    add_dac_table(tree, range)
    return 32
  end,
  cmdGetUpdateStatus = function(tree, range)
    add_u32(tree, f.update_status, range, 0, function(v) return v == 0 and " (not ready)" or "" end)
    return 4
  end,
}
REPLY_LAYOUTS.cmdGetOtherVersion = REPLY_LAYOUTS.cmdGetVersion
REPLY_LAYOUTS.cmdGetBosiVersion = REPLY_LAYOUTS.cmdGetVersion
REPLY_LAYOUTS.cmdGetPanelFwVersion = REPLY_LAYOUTS.cmdGetVersion

-- Data packets the module sends, by the command that asked for them.
local DATA_LAYOUTS = {
  cmdReadBus = function(tree, range, req)
    local words = math.floor(range:len() / 2)
    for i = 0, words - 1 do
      local item = tree:add_le(f.bus_word, range(i * 2, 2))
      if req and req.address then
        item:set_text(string.format("Word at %s: %s", octal(req.address + 2 * i),
                                    octal(range(i * 2, 2):le_uint())))
      end
    end
    return words * 2
  end,
}

-- Which command a code names, as far as the request alone tells.
local function resolve_command(code, payload_length, conv)
  if code == 0x09 then
    return payload_length >= 4 and "cmdWriteFirmware" or "cmdEnterLoader"
  end
  if code == 0x0C then
    return conv.program == "loader" and "cmdReadNext" or "cmdGetPanelLink"
  end
  return COMMANDS[code] or string.format("unknown command 0x%02X", code)
end

local function endpoint(address, port)
  return tostring(address) .. ":" .. tostring(port)
end

-- Decides, on the first visit of a frame, its direction and the command it belongs to.
local function track(pinfo, ptype, code, seq, payload_length, payload)
  local src = endpoint(pinfo.src, pinfo.src_port)
  local dst = endpoint(pinfo.dst, pinfo.dst_port)
  local key = src < dst and (src .. "|" .. dst) or (dst .. "|" .. src)
  local conv = conversations[key]
  if not conv then
    -- The program on the host always speaks first.
    conv = { host = src, requests = {}, program = nil, transfer = nil }
    conversations[key] = conv
  end
  local state = { to_module = (src == conv.host) }
  if state.to_module then
    local req = { frame = pinfo.number, ptype = ptype }
    if ptype == TYPE_COMMAND then
      req.code = code
      req.name = resolve_command(code, payload_length, conv)
      if LOADER_COMMANDS[req.name] or req.name == "cmdEnterLoader" then
        conv.program = "loader"
      elseif req.name ~= "cmdIdentify" and req.name ~= "cmdGetVersion" and
             req.name ~= "cmdGetOtherVersion" and COMMANDS[code] then
        conv.program = "application"
      end
      if TRANSFER_COMMANDS[req.name] then conv.transfer = req.name end
      if req.name == "cmdRestart" then conv.program = nil end
    else
      req.name = conv.transfer or "unknown transfer"
    end
    conv.requests[seq] = req
    state.request = req
  else
    local req = conv.requests[seq]
    state.request = req
    if req then
      if req.code == 0x0C and req.ptype == TYPE_COMMAND then
        -- A data packet answers only cmdReadNext; a reply only cmdGetPanelLink.
        req.name = ptype == TYPE_DATA and "cmdReadNext" or "cmdGetPanelLink"
        conv.program = ptype == TYPE_DATA and "loader" or "application"
        if frames[req.frame] then frames[req.frame].request.name = req.name end
      end
      if not req.response_frame then
        req.response_frame = pinfo.number
        if frames[req.frame] then frames[req.frame].response_frame = pinfo.number end
      end
      if req.name == "cmdIdentify" and payload_length >= 2 then
        conv.program = (payload(0, 2):le_uint() == LOADER_ID) and "loader" or "application"
      end
    end
  end
  return state
end

function karvelm.dissector(tvb, pinfo, tree)
  local size = tvb:len()
  if size < 1 then return 0 end
  pinfo.cols.protocol = "KarvelM"
  local root = tree:add(karvelm, tvb(), "KarvelM module link")
  if size < HEADER_SIZE then
    root:add_proto_expert_info(e_malformed, "Shorter than the 12-byte header")
    pinfo.cols.info = "Malformed: " .. size .. " bytes"
    return size
  end

  local ptype = tvb(0, 1):uint()
  local code = tvb(1, 1):uint()
  local length = tvb(2, 2):le_uint()
  local seq = tvb(4, 4):le_uint()
  local field = tvb(8, 4):le_uint()
  local sane = length >= HEADER_SIZE and length <= size
  local payload_length = sane and (length - HEADER_SIZE) or 0
  local payload = payload_length > 0 and tvb(HEADER_SIZE, payload_length) or nil

  if not pinfo.visited or not frames[pinfo.number] then
    frames[pinfo.number] = track(pinfo, ptype, code, seq, payload_length, payload)
  end
  local state = frames[pinfo.number]
  local req = state.request
  local name = req and req.name or nil

  root:add(f.direction, state.to_module and "to module" or "from module"):set_generated()
  local header = root:add(tvb(0, HEADER_SIZE), "Header")
  header:add(f.type, tvb(0, 1))
  if state.to_module then
    header:add(f.code, tvb(1, 1))
  else
    local item = header:add(f.status, tvb(1, 1))
    if code == STATUS_FAILURE then
      item:append_text(" (failure)")
      item:add_proto_expert_info(e_failure)
    else
      item:append_text(" (success)")
    end
  end
  local length_item = header:add_le(f.length, tvb(2, 2))
  header:add_le(f.seq, tvb(4, 4))
  local checksum_item = header:add_le(f.checksum, tvb(8, 4))
  if not sane then
    length_item:add_proto_expert_info(e_malformed, "Length outside the " .. size .. " bytes received")
  else
    local good = packet_checksum(tvb, length) == field
    checksum_item:add(f.checksum_status, good and 1 or 0):set_generated()
    if not good then checksum_item:add_proto_expert_info(e_checksum) end
  end

  if name then root:add(f.command, name):set_generated() end
  if req and not state.to_module then
    root:add(f.request_in, req.frame):set_generated()
  elseif req and state.to_module and state.response_frame then
    root:add(f.response_in, state.response_frame):set_generated()
  end

  -- The summary line: what this packet is.
  local what
  if state.to_module then
    if ptype == TYPE_DATA then
      what = "Data for " .. (name or "?")
    else
      what = (name or "?") .. (UNANSWERED_COMMANDS[name] and "" or " request")
    end
  else
    if not req then root:add_proto_expert_info(e_unanswered) end
    if ptype == TYPE_DATA then
      what = "Data of " .. (name or "?")
    elseif req and req.ptype == TYPE_DATA then
      what = "Acknowledgement of data for " .. (name or "?")
    else
      what = (name or "?") .. " reply"
    end
    if code == STATUS_FAILURE then what = what .. " [failure]" end
  end
  root:append_text(": " .. what)
  pinfo.cols.info = string.format("%s, seq %d", what, seq)

  if payload then
    local body
    local covered = 0
    if ptype == TYPE_DATA then
      body = root:add(f.data, payload)
      body:add(f.data_length, payload_length):set_generated()
      pinfo.cols.info:append(", " .. payload_length .. " bytes")
      local layout = not state.to_module and DATA_LAYOUTS[name]
      if layout then covered = layout(body, payload, req) else covered = payload_length end
    else
      body = root:add(f.payload, payload)
      local layouts = state.to_module and REQUEST_LAYOUTS or REPLY_LAYOUTS
      local layout = layouts[name]
      if layout then covered = layout(body, payload, req or {}) end
    end
    if covered < payload_length then body:add(f.unused, payload(covered)) end
  end
  if sane and length < size then root:add(f.padding, tvb(length)) end
  return size
end

local udp_port = DissectorTable.get("udp.port")
local registered_port = karvelm.prefs.udp_port
udp_port:add(registered_port, karvelm)

function karvelm.prefs_changed()
  if karvelm.prefs.udp_port == registered_port then return end
  udp_port:remove(registered_port, karvelm)
  registered_port = karvelm.prefs.udp_port
  udp_port:add(registered_port, karvelm)
end
